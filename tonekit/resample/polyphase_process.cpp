#include "resample/polyphase_process.h"

namespace tonekit::resample {
namespace {

int16_t Saturate16(int32_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// 16384 + both wings for one channel: forward taps x[n + j], backward taps
// x[n - 1 - j]. Summed in 32-bit register arithmetic (wrapping, as the
// products of 16-bit values always fit).
template <int Ch>
int32_t WingSum(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps) {
    uint32_t sum = 16384;
    for (int32_t j = 0; j < taps; ++j) {
        sum += static_cast<uint32_t>(centre[Ch * j] * fore[j]);
        sum += static_cast<uint32_t>(centre[-Ch * (j + 1)] * back[j]);
    }
    return static_cast<int32_t>(sum);
}

struct Position {
    int16_t* back;   // row p
    int16_t* fore;   // row L - 1 - p
    int32_t centre;  // 16-bit value index of the first forward-wing sample
};

// Moves by the precomputed deltas; `afterTaps` deltas count from positions
// that have already stepped over the T taps of the finished output.
void Move(Position& at, const int32_t (&delta)[3], int32_t taps, int32_t channels, bool afterTaps) {
    const int32_t t = afterTaps ? taps : 0;
    at.back += delta[0] + t;
    at.fore += delta[1] + t;
    at.centre += delta[2] + channels * t;
}

// The position of phase p + 1: the same frame, or phase 0 of the next frame.
void MoveToNextPhase(const ResamplerState& s, Position& at) {
    Move(at, at.back < s.nextWrapRow ? s.nextNoWrap : s.nextWrap, s.taps, s.channels, false);
}

void AdvanceByStep(const ResamplerState& s, Position& at) {
    Move(at, at.back < s.stepWrapRow ? s.stepNoWrap : s.stepWrap, s.taps, s.channels, true);
}

template <int Ch, bool Interp>
int32_t Walk(ResamplerState* s, const int16_t* input, int32_t start, int32_t end, int16_t* output) {
    const int32_t taps = s->taps;
    Position at{s->backRow, s->foreRow, start + s->carry};
    uint32_t accum = s->fracAccum;
    int16_t* out = output;
    for (;;) {
        Position next = at;
        if constexpr (Interp) MoveToNextPhase(*s, next);
        // The next phase may need one more frame of input.
        const int32_t reach = Interp ? next.centre - at.centre : 0;
        if (at.centre + reach + (Ch - 1) >= end) break;
        for (int ch = 0; ch < Ch; ++ch) {
            const int32_t h = WingSum<Ch>(input + at.centre + ch, at.fore, at.back, taps);
            if constexpr (Interp) {
                const int32_t g = WingSum<Ch>(input + next.centre + ch, next.fore, next.back, taps);
                const int32_t diff =
                    static_cast<int32_t>(static_cast<uint32_t>(g) - static_cast<uint32_t>(h));
                const int32_t blend = static_cast<int32_t>((int64_t{diff} * (accum >> 1)) >> 32);
                *out++ = Saturate16(((h >> 1) + blend) >> 14);
            } else {
                *out++ = Saturate16(h >> 15);
            }
        }
        if constexpr (Interp) {
            const uint32_t before = accum;
            accum += s->fracStep;
            if (accum < before) at = next;  // the fraction carried: one phase further
        }
        AdvanceByStep(*s, at);
    }
    s->carry = at.centre - end;
    s->backRow = at.back;
    s->foreRow = at.fore;
    s->fracAccum = accum;
    return static_cast<int32_t>(out - output);
}

}  // namespace

int32_t ResampleMono(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                     int16_t* output) {
    return Walk<1, false>(s, input, start, end, output);
}
int32_t ResampleStereo(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                       int16_t* output) {
    return Walk<2, false>(s, input, start, end, output);
}
int32_t ResampleMonoInterp(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                           int16_t* output) {
    return Walk<1, true>(s, input, start, end, output);
}
int32_t ResampleStereoInterp(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                             int16_t* output) {
    return Walk<2, true>(s, input, start, end, output);
}

}  // namespace tonekit::resample
