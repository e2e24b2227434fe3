#include "audio/block_rate.h"

#include <array>

#include <cmath>
#include <cstdlib>

#include "audio/audio_filter.h"
#include "audio/frame_codec.h"

namespace tonekit::audio {
namespace {

constexpr double kUnitPerSample = 3.051850947599719e-05;    // nearest double to 1/32767
constexpr double kNativePerHertz = 2.2675736961451248e-05;  // 1/44100

struct RateFilter {
    bool active = false;
    FilterSection section{};
};

RateFilter ChooseFilter(int32_t filter, const WavInfo& info, double step, const double* left,
                        const double* right) {
    RateFilter f;
    if (!filter || !left || !right) return f;
    const double native = info.sampleRate * kNativePerHertz;
    double cutoff = (1.0 / native - 1.0) * 600.0 + step * 7000.0;
    if (cutoff > 7000.0) cutoff = 7000.0;
    f.active = !(info.sampleRate == 44100 && step == native);
    f.section = MakeFilterSection(cutoff, 0.0, 0.95, 44100, 0, 2, 0);
    return f;
}

bool AllocateEmpty(AudioBlock* out, uint32_t frameBytes) {
    out->data = static_cast<uint8_t*>(std::calloc(1, 1));
    out->bytes = 0;
    out->frameBytes = frameBytes;
    return out->data != nullptr;
}

// What the scale-and-back round trip does to each 16-bit value, for the
// blocks that need nothing else from the doubles (no filter, hook or mix).
const int16_t* RoundTripTable() {
    // Static storage, not the heap: nothing is left behind when tonekit unloads.
    static const std::array<int16_t, 65536> table = [] {
        std::array<int16_t, 65536> t{};
        for (int32_t s = -32768; s <= 32767; ++s)
            t[s + 32768] = UnitToSample(SampleToUnit(static_cast<int16_t>(s)));
        return t;
    }();
    return table.data();
}

// One frame through the doubles: scaled, hooked, filtered, mixed, scaled back.
void ConvertFrameInUnits(int16_t (&pair)[2], SampleHook hook, const RateFilter& rateFilter,
                         double* leftState, double* rightState, bool downmix) {
    double lr[2] = {SampleToUnit(pair[0]), SampleToUnit(pair[1])};
    if (hook) hook(lr);
    if (rateFilter.active) {
        lr[0] = RunFilter(rateFilter.section, lr[0], leftState);
        lr[1] = RunFilter(rateFilter.section, lr[1], rightState);
    }
    if (downmix) lr[0] = (lr[0] + lr[1]) * 0.5;
    pair[0] = UnitToSample(lr[0]);
    pair[1] = UnitToSample(lr[1]);
}

}  // namespace

float SampleToUnit(int16_t sample) {
    float unit = static_cast<float>(sample * kUnitPerSample);
    // GCC 12's SLP vectoriser drops this narrowing when the pair is converted
    // together; the empty asm makes the single-precision value observable.
    asm("" : "+x"(unit));
    return unit;
}

int16_t UnitToSample(double value) {
    const double scaled = value * 32767.0;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 32767.0) return 32767;
    if (scaled <= -32768.0) return -32768;
    return static_cast<int16_t>(scaled);
}

double ConvertBlockRate(const uint8_t* src, uint32_t srcBytes, const WavInfo* info, AudioBlock* out,
                        double step, int32_t outBits, int32_t outChannels, double phase,
                        int32_t filter, double* leftState, double* rightState, SampleHook hook) {
    if (!out) return phase;
    *out = AudioBlock{};
    const int32_t inBits = info ? static_cast<int32_t>(info->bitsPerSample) : 0;
    const int32_t inChannels = info ? static_cast<int32_t>(info->channels) : 0;
    const uint32_t outFrame = static_cast<uint32_t>(((outBits / 8) & 3) * outChannels);
    const bool usable = info && (src || srcBytes == 0) && IsSupportedFormat(inBits, inChannels) &&
                        info->blockAlign == static_cast<uint32_t>(FrameBytes(inBits, inChannels)) &&
                        IsSupportedFormat(outBits, outChannels) && std::isfinite(step) &&
                        step > 0.0 && std::isfinite(phase) && phase >= 0.0;
    if (!usable) {
        AllocateEmpty(out, outFrame);
        return phase;
    }
    const uint32_t inFrame = info->blockAlign;
    const uint64_t inFrames = srcBytes / inFrame;

    const double estimate = static_cast<double>(outFrame) / inFrame * (1.0 / step) * srcBytes;
    if (!(estimate < static_cast<double>(kMaxBlockBytes))) {
        AllocateEmpty(out, outFrame);
        return phase;
    }
    uint64_t capacity = static_cast<uint64_t>(estimate);
    capacity = capacity - capacity % outFrame + outFrame;
    out->data = static_cast<uint8_t*>(std::calloc(capacity, 1));
    if (!out->data) {
        AllocateEmpty(out, outFrame);
        return phase;
    }
    out->frameBytes = outFrame;

    const RateFilter rateFilter = ChooseFilter(filter, *info, step, leftState, rightState);
    const int inKind = FrameKind(inBits, inChannels);
    const int outKind = FrameKind(outBits, outChannels);
    const bool downmix = outChannels < inChannels;
    const uint64_t maxFrames = capacity / outFrame;
    const int16_t* roundTrip = !rateFilter.active && !hook && !downmix ? RoundTripTable() : nullptr;
    uint8_t* dst = out->data;
    uint64_t written = 0;
    for (uint64_t frame = static_cast<uint64_t>(phase); frame < inFrames && written < maxFrames;
         frame = static_cast<uint64_t>(phase)) {
        int16_t pair[2];
        DecodeFrame(src + frame * inFrame, inKind, pair);
        if (roundTrip) {
            pair[0] = roundTrip[pair[0] + 32768];
            pair[1] = roundTrip[pair[1] + 32768];
        } else {
            ConvertFrameInUnits(pair, hook, rateFilter, leftState, rightState, downmix);
        }
        EncodeFrame(pair, outKind, dst);
        dst += outFrame;
        ++written;
        phase += step;
    }
    out->bytes = static_cast<uint32_t>(written * outFrame);
    return inFrames ? std::fmod(phase, static_cast<double>(inFrames)) : phase;
}

}  // namespace tonekit::audio
