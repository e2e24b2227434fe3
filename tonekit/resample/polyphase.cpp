// The polyphase resampler's streams: building a state for a rate pair and
// feeding it blocks of 16-bit samples.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "resample/polyphase_process.h"
#include "resample/rate_reach.h"
#include "tonekit.h"

namespace tonekit::resample {
namespace {

constexpr uint32_t kMaxExactPhases = 640;
constexpr uint32_t kApproximatePhases = 128;

struct Ratio {
    uint32_t phases;    // L
    uint32_t step;      // M
    uint32_t fracStep;  // 0.32 fraction of the step, 0 when exact
};

Ratio ReduceRatio(uint32_t in, uint32_t out) {
    const uint32_t g = gcd(in, out);
    Ratio r{out / g, in / g, 0};
    if (r.phases > kMaxExactPhases) {
        const uint64_t scaled = uint64_t{kApproximatePhases} * in;
        r.phases = kApproximatePhases;
        r.step = static_cast<uint32_t>(scaled / out);
        r.fracStep = udivhi(static_cast<uint32_t>(scaled - uint64_t{r.step} * out), out);
    }
    return r;
}

// The step records (fields 14-27) for L phases, step M and row stride S.
void FillStepRecords(ResamplerState& s, int32_t S) {
    const int32_t L = static_cast<int32_t>(s.phases);
    const int32_t M = static_cast<int32_t>(s.step);
    const int32_t T = s.taps;
    const int32_t Ch = s.channels;
    const int32_t m = M % L;
    const int32_t m2 = ((M + L - 1) % L) - (L - 1);
    s.stepWrapRow = s.filter + S * (L - m);
    s.stepNoWrap[0] = S * m - T;
    s.stepNoWrap[1] = -S * m - T;
    s.stepNoWrap[2] = Ch * (M / L - T);
    s.stepWrap[0] = S * m2 - T;
    s.stepWrap[1] = -S * m2 - T;
    s.stepWrap[2] = Ch * ((M + L - 1) / L - T);
    const int32_t r = 1 % L;
    s.nextWrapRow = s.filter + S * (L - r);
    s.nextNoWrap[0] = S * r;
    s.nextNoWrap[1] = -S * r;
    s.nextNoWrap[2] = Ch * (1 / L);
    s.nextWrap[0] = S * (1 - L);
    s.nextWrap[1] = S * (L - 1);
    s.nextWrap[2] = Ch;
}

}  // namespace
}  // namespace tonekit::resample

using namespace tonekit::resample;

extern "C" ResamplerState* InitResampler(uint32_t inputRate, uint32_t outputRate, int32_t channels,
                                         int32_t filterType) {
    if (inputRate == outputRate || !RatesWithinReach(inputRate, outputRate) || filterType < 0 ||
        filterType > 3)
        return nullptr;
    const Ratio ratio = ReduceRatio(inputRate, outputRate);
    uint32_t taps = 0;
    int16_t* table = MakeFilter(static_cast<int32_t>(ratio.phases),
                                static_cast<int32_t>(ratio.step), filterType, &taps);
    if (!table) return nullptr;
    const int32_t Ch = channels == 1 ? 1 : 2;
    const int32_t T = static_cast<int32_t>(taps);
    const int32_t H = Ch * (2 * T + (ratio.fracStep != 0 ? 1 : 0));
    auto* history = static_cast<int16_t*>(std::calloc(2 * static_cast<size_t>(H), sizeof(int16_t)));
    auto* s = static_cast<ResamplerState*>(std::calloc(1, sizeof(ResamplerState)));
    if (!history || !s) {
        std::free(table);
        std::free(history);
        std::free(s);
        return nullptr;
    }
    s->phases = ratio.phases;
    s->step = ratio.step;
    s->channels = Ch;
    s->taps = T;
    s->historyLength = H;
    s->startOffset = H - Ch * (T - 1);
    s->fracStep = ratio.fracStep;
    s->history = history;
    s->filter = table;
    const int32_t S = (T + 1) & ~1;
    s->backRow = table;
    s->foreRow = table + S * (static_cast<int32_t>(ratio.phases) - 1);
    FillStepRecords(*s, S);
    s->process = ChooseProcess(Ch, ratio.fracStep != 0);
    return s;
}

extern "C" int32_t Resample(const int16_t* input, int32_t count, int16_t* output,
                            ResamplerState* state) {
    if (!state || !output || count <= 0 || !input) return 0;
    count -= count % state->channels;  // whole frames only
    const int32_t H = state->historyLength;
    int16_t* history = state->history;
    // The block's start goes behind the history, so that centres near the
    // block's start see the end of the previous block.
    const int32_t k =
        static_cast<int32_t>((MIN)(static_cast<uint32_t>(H), static_cast<uint32_t>(count)));
    std::memcpy(history + H, input, static_cast<size_t>(k) * sizeof(int16_t));
    int32_t written =
        state->process(state, history, state->startOffset, state->startOffset + k, output);
    if (count > H) {
        written += state->process(state, input, state->startOffset, state->startOffset + count - H,
                                  output + written);
        std::memcpy(history, input + count - H, static_cast<size_t>(H) * sizeof(int16_t));
    } else {
        std::memmove(history, history + count, static_cast<size_t>(H) * sizeof(int16_t));
    }
    return written;
}

extern "C" void FreeResampler(ResamplerState* state) {
    if (!state) return;
    std::free(state->filter);
    std::free(state->history);
    std::free(state);
}
