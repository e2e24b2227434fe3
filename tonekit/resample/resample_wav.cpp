// Whole-file WAV conversion to another rate, width and channel count through
// the block rate converter, with progress and stop.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/audio_filter.h"
#include "audio/block_rate.h"
#include "audio/frame_codec.h"
#include "audio/wav_file_writer.h"
#include "audio/wav_reader.h"
#include "resample/rate_reach.h"
#include "tonekit.h"
#include "util/regular_file.h"

namespace tonekit::resample {
namespace {

constexpr int32_t kBlockBytes = 16384;

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
bool ConvertBlocks(const Conversion& c, audio::WavFileReader& in, audio::WavFileWriter& out) {
    std::vector<char> buffer(kBlockBytes);
    double leftState[audio::kFilterStateDoubles] = {};
    double rightState[audio::kFilterStateDoubles] = {};
    double phase = 0.0;
    uint64_t consumed = 0;
    bool written = true;
    for (;;) {
        const int32_t n = in.Read(kBlockBytes, buffer.data());
        AudioBlock block;
        phase = audio::ConvertBlockRate(reinterpret_cast<const uint8_t*>(buffer.data()),
                                        static_cast<uint32_t>(n), &c.source, &block, c.step, c.bits,
                                        c.channels, phase, c.filter, leftState, rightState, c.hook);
        written = out.Write(block.data, block.bytes);
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
    if (util::SameFile(sourcePath, destPath)) return nullptr;

    audio::WavFileReader in;  // private: conversions on other threads keep theirs
    const WavInfo* info = in.Open(sourcePath);
    if (!info || !audio::IsConvertiblePcm(*info) || !RatesWithinReach(info->sampleRate, rate))
        return nullptr;
    Conversion c{*info, 0.0, bits, channels, filter, hook, progress};
    const uint32_t outRate = keepRate ? c.source.sampleRate : rate;
    c.step = keepRate ? static_cast<double>(rate) / c.source.sampleRate
                      : static_cast<double>(c.source.sampleRate) / rate;

    audio::WavFileWriter out;
    if (!out.Create(destPath,
                    audio::MakeWavHeader(outRate, static_cast<uint32_t>(bits),
                                         static_cast<uint32_t>(channels)),
                    sourcePath))
        return nullptr;
    const bool converted = ConvertBlocks(c, in, out);
    return out.Finish() && converted ? destPath : nullptr;
}
