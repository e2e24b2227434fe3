// WMA encoding of the scratch WAV, and decoding of any readable input into a
// 44,100 Hz 16-bit stereo WAV file.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/progress.h"
#include "audio/wav_finalise.h"
#include "audio/wav_format.h"
#include "media/media_decoder.h"
#include "tonekit.h"
#include "util/file_cleanup.h"

namespace tonekit::audio {
namespace {

constexpr int32_t kDecodeSlot = 0;
constexpr size_t kEncodeBlockBytes = 32768;
constexpr uint64_t kEncodeBlockTicks = 1857596;  // 8,192 frames at 44,100 Hz, truncated
constexpr uint64_t kMaxEncodeBlocks = 10000000;

// The 64 kbit/s profile for 64, the 128 kbit/s profile for anything else.
constexpr int64_t kWmaProfile64 = 64000;
constexpr int64_t kWmaProfile128 = 128000;

long FileLength(FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return 0;
    const long length = std::ftell(f);
    return length > 0 ? length : 0;
}

// Appends decoded blocks to `out` until the end, a stop or a write error;
// false on a write error.
bool DecodeInto(FILE* out, ProgressCallback progress) {
    for (;;) {
        char* data = nullptr;
        int32_t bytes = 0;
        uint64_t time = 0;
        const int32_t percentDone = ReadWMA(kDecodeSlot, &data, &bytes, &time, 1.0);
        if (percentDone < 0) return true;
        const bool written =
            std::fwrite(data, 1, static_cast<size_t>(bytes), out) == static_cast<size_t>(bytes);
        std::free(data);
        if (!written) return false;
        if (progress && progress(percentDone)) return true;
    }
}

}  // namespace
}  // namespace tonekit::audio

using namespace tonekit::audio;

extern "C" int32_t WMA2WAV(const char* source, const char* destination, ProgressCallback progress) {
    if (!source || !destination) return -1;
    if (progress) progress(-1);
    uint64_t duration = 0;
    const bool opened = OpenWMA(kDecodeSlot, source, 0, &duration) == 1;
    FILE* out = std::fopen(destination, "wb+");
    if (!out) {
        CloseWMA(kDecodeSlot);
        return -1;
    }
    const auto& header = WavHeaderTemplate();
    bool ok = std::fwrite(header.data(), header.size(), 1, out) == 1;
    if (ok && opened) ok = DecodeInto(out, progress);
    CloseWMA(kDecodeSlot);
    ok = std::fclose(out) == 0 && ok;
    if (!ok && tonekit::util::IsShorterThan(destination, kWavHeaderBytes + 1)) {
        tonekit::util::RemoveRegularFile(destination);  // nothing could be written
        return -1;
    }
    ok = FinaliseWavFile(destination) && ok;
    return ok && opened ? 0 : -1;
}

extern "C" int32_t WAV2WMA(const char* source, const char* destination, int32_t bitrate,
                           ProgressCallback progress) {
    if (!source || !destination) return -1;
    FILE* in = std::fopen(source, "rb");
    if (!in) return -1;  // a missing scratch file: nothing to encode, nothing created
    auto writer = tonekit::media::CreateWmaWriter(destination,
                                                  bitrate == 64 ? kWmaProfile64 : kWmaProfile128);
    if (!writer) {
        std::fclose(in);
        tonekit::util::RemoveRegularFile(destination);
        return -1;
    }
    const uint64_t blocks = static_cast<uint64_t>(FileLength(in)) / kEncodeBlockBytes;
    std::fseek(in, kWavHeaderBytes, SEEK_SET);
    std::vector<uint8_t> block(kEncodeBlockBytes);
    bool ok = true;
    uint64_t time = 0;
    for (uint64_t counter = 0; counter < kMaxEncodeBlocks; ++counter) {
        if (progress && progress(ChunkPercent(counter, blocks))) break;
        const size_t n = std::fread(block.data(), 1, block.size(), in);
        ok = writer->WriteBlock(block.data(), n, time);
        if (!ok || n < block.size()) break;
        time += kEncodeBlockTicks;
    }
    ok = writer->Finish() && ok;
    std::fclose(in);
    if (!ok && tonekit::util::IsShorterThan(destination, 1))
        tonekit::util::RemoveRegularFile(destination);  // nothing could be written
    return ok ? 0 : -1;
}
