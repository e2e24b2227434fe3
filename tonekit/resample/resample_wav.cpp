// Whole-file WAV conversion to another rate, width and channel count through
// the block rate converter, with progress and stop.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/audio_filter.h"
#include "audio/block_rate.h"
#include "audio/frame_codec.h"
#include "audio/wav_finalise.h"
#include "audio/wav_format.h"
#include "tonekit.h"

namespace tonekit::resample {
namespace {

constexpr int32_t kSlot = 0;
constexpr int32_t kBlockBytes = 16384;

bool SameFile(const char* a, const char* b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

int32_t ProgressPercent(uint64_t consumed, uint32_t total) {
    return total ? static_cast<int32_t>(percent(static_cast<double>(consumed), total)) : 100;
}

struct Conversion {
    WavInfo source;
    double step;
    int32_t bits;
    int32_t channels;
    int32_t filter;
    SampleHook hook;
    ProgressCallback progress;
};

// Converts block by block into `out`; false when a write failed.
bool ConvertBlocks(const Conversion& c, FILE* out) {
    std::vector<char> buffer(kBlockBytes);
    double leftState[audio::kFilterStateDoubles] = {};
    double rightState[audio::kFilterStateDoubles] = {};
    double phase = 0.0;
    uint64_t consumed = 0;
    bool written = true;
    for (;;) {
        const int32_t n = ReadWAV(kSlot, kBlockBytes, buffer.data());
        AudioBlock block;
        phase = audio::ConvertBlockRate(reinterpret_cast<const uint8_t*>(buffer.data()),
                                        static_cast<uint32_t>(n), &c.source, &block, c.step, c.bits,
                                        c.channels, phase, c.filter, leftState, rightState, c.hook);
        written = !block.bytes || std::fwrite(block.data, 1, block.bytes, out) == block.bytes;
        std::free(block.data);
        consumed += static_cast<uint32_t>(n);
        if (!written) break;
        if (c.progress && c.progress(ProgressPercent(consumed, c.source.dataBytes))) break;
        if (n < kBlockBytes) break;
    }
    if (c.progress) c.progress(0);
    return written;
}

}  // namespace
}  // namespace tonekit::resample

extern "C" const char* ResampleWAV(const char* sourcePath, const char* destPath, uint32_t rate,
                                   int32_t bits, int32_t channels, int32_t keepRate,
                                   ProgressCallback progress, SampleHook hook, int32_t filter) {
    using namespace tonekit;
    using namespace tonekit::resample;
    if (!sourcePath || !destPath || rate == 0 || !audio::IsSupportedFormat(bits, channels))
        return nullptr;
    if (SameFile(sourcePath, destPath)) return nullptr;

    const WavInfo* info = OpenWAV(sourcePath, kSlot);
    if (!info || !audio::IsConvertiblePcm(*info)) {
        CloseWAV(kSlot);
        return nullptr;
    }
    Conversion c{*info, 0.0, bits, channels, filter, hook, progress};
    const uint32_t outRate = keepRate ? c.source.sampleRate : rate;
    c.step = keepRate ? static_cast<double>(rate) / c.source.sampleRate
                      : static_cast<double>(c.source.sampleRate) / rate;

    FILE* out = nullptr;
    if (CreateWAVHeader(destPath, static_cast<int32_t>(outRate), bits, channels) != 0 ||
        !(out = std::fopen(destPath, "r+b")) || std::fseek(out, audio::kWavHeaderBytes, SEEK_SET)) {
        if (out) std::fclose(out);
        CloseWAV(kSlot);
        return nullptr;
    }
    static_cast<void>(std::setvbuf(out, nullptr, _IOFBF, 1 << 16));
    bool ok = ConvertBlocks(c, out);
    ok = std::fclose(out) == 0 && ok;
    CloseWAV(kSlot);
    ok = audio::FinaliseWavFile(destPath) && ok;
    return ok ? destPath : nullptr;
}
