// WMA encoding of the scratch WAV, and decoding of any readable input into a
// 44,100 Hz 16-bit stereo WAV file.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/progress.h"
#include "audio/wav_file_writer.h"
#include "tonekit.h"
#include "util/regular_file.h"

namespace tonekit::audio {
namespace {

constexpr size_t kEncodeBlockBytes = 32768;
constexpr uint64_t kEncodeBlockTicks = 1857596;  // 8,192 frames at 44,100 Hz, truncated
constexpr uint64_t kMaxEncodeBlocks = 10000000;

// The 64 kbit/s profile for 64, the 128 kbit/s profile for anything else.
constexpr int64_t kWmaProfile64 = 64000;
constexpr int64_t kWmaProfile128 = 128000;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

uint64_t FileLength(FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    const off_t length = ftello(f);
    return length > 0 ? static_cast<uint64_t>(length) : 0;
}

// Appends decoded blocks until the end, a stop or a write error; false on a
// write error.
bool DecodeInto(AudioReader& reader, WavFileWriter& out, ProgressCallback progress) {
    for (;;) {
        AudioBlock block{};
        const int32_t percentDone = reader.Read(block, nullptr, 1.0);
        if (percentDone < 0) {
            std::free(block.data);
            return true;
        }
        const bool written = out.Write(block.data, block.bytes);
        std::free(block.data);
        if (!written) return false;
        if (progress && progress(percentDone)) return true;
    }
}

int32_t DecodeToWav(const char* source, const char* destination, ProgressCallback progress,
                    bool decoderOnly) {
    if (!source || !destination) return -1;
    if (progress) progress(-1);
    if (tonekit::util::SameFile(source, destination)) return -1;
    AudioReader reader;  // private: conversions on other threads keep theirs
    const bool opened = reader.Open(source, 0, nullptr, decoderOnly) == 1;
    WavFileWriter out;
    if (!out.Create(destination, WavHeaderTemplate(), source)) return -1;
    const bool decoded = !opened || DecodeInto(reader, out, progress);
    reader.Close();
    const bool finished = out.Finish();
    return opened && decoded && finished ? 0 : -1;
}

}  // namespace
}  // namespace tonekit::audio

using namespace tonekit::audio;

extern "C" int32_t WMA2WAV(const char* source, const char* destination, ProgressCallback progress) {
    return DecodeToWav(source, destination, progress, false);
}

extern "C" int32_t MEDIA2WAV(const char* source, const char* destination,
                             ProgressCallback progress) {
    return DecodeToWav(source, destination, progress, true);
}

extern "C" int32_t WAV2WMA(const char* source, const char* destination, int32_t bitrate,
                           ProgressCallback progress) {
    using tonekit::util::RemoveRegularFile;
    if (!source || !destination) return -1;
    if (!tonekit::media::MediaAvailable()) return -1;  // the destination is not touched
    const File in(tonekit::util::OpenSourceFile(source));
    if (!in) return -1;  // a missing scratch file: nothing to encode, nothing created
    // The destination is created (or emptied) here, so that a failure below
    // removes only a file of this call's making.
    FILE* created = tonekit::util::CreateOutputFile(destination, source);
    if (!created || std::fclose(created) != 0) return -1;
    auto writer = tonekit::media::CreateWmaWriter(destination,
                                                  bitrate == 64 ? kWmaProfile64 : kWmaProfile128);
    if (!writer) {
        RemoveRegularFile(destination);
        return -1;
    }
    const uint64_t blocks = FileLength(in.get()) / kEncodeBlockBytes;
    fseeko(in.get(), kWavHeaderBytes, SEEK_SET);
    std::vector<uint8_t> block(kEncodeBlockBytes);
    bool ok = true;
    uint64_t time = 0;
    for (uint64_t counter = 0; counter < kMaxEncodeBlocks; ++counter) {
        if (progress && progress(ChunkPercent(counter, blocks))) break;
        const size_t n = std::fread(block.data(), 1, block.size(), in.get());
        ok = writer->WriteBlock(block.data(), n, time);
        if (!ok || n < block.size()) break;
        time += kEncodeBlockTicks;
    }
    ok = writer->Finish() && ok;
    if (!ok) RemoveRegularFile(destination);  // a WMA file cut short does not play
    return ok ? 0 : -1;
}
