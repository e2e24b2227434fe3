// How a processing routine walks a range of output centres, shared by the
// routines built for each instruction set. Everything here has internal
// linkage on purpose: each instruction set's translation unit compiles its own
// copy, so no function compiled for AVX2 can stand in for the portable one.
#pragma once

#include <cstdint>

#include "tonekit.h"

namespace tonekit::resample {
namespace {

inline int16_t Saturate16(int32_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

// 16384 + both wings, for every channel, from tap `from` on: forward taps
// x[n + j], backward taps x[n - 1 - j]. Sums wrap like 32-bit registers (the
// products of 16-bit values always fit), so the order of the additions does
// not change the result, and vector kernels give the same values.
template <int Ch>
void WingSumsScalar(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t from,
                    int32_t taps, uint32_t (&sums)[Ch]) {
    for (int32_t j = from; j < taps; ++j) {
        for (int ch = 0; ch < Ch; ++ch) {
            sums[ch] += static_cast<uint32_t>(centre[Ch * j + ch] * fore[j]);
            sums[ch] += static_cast<uint32_t>(centre[ch - Ch * (j + 1)] * back[j]);
        }
    }
}

struct Position {
    int16_t* back;   // row p
    int16_t* fore;   // row L - 1 - p
    int32_t centre;  // 16-bit value index of the first forward-wing sample
};

// Moves by the precomputed deltas; `afterTaps` deltas count from positions
// that have already stepped over the T taps of the finished output.
inline void Move(Position& at, const int32_t (&delta)[3], int32_t taps, int32_t channels,
                 bool afterTaps) {
    const int32_t t = afterTaps ? taps : 0;
    at.back += delta[0] + t;
    at.fore += delta[1] + t;
    at.centre += delta[2] + channels * t;
}

// The position of phase p + 1: the same frame, or phase 0 of the next frame.
inline void MoveToNextPhase(const ResamplerState& s, Position& at) {
    Move(at, at.back < s.nextWrapRow ? s.nextNoWrap : s.nextWrap, s.taps, s.channels, false);
}

inline void AdvanceByStep(const ResamplerState& s, Position& at) {
    Move(at, at.back < s.stepWrapRow ? s.stepNoWrap : s.stepWrap, s.taps, s.channels, true);
}

template <int Ch, class Kernel>
void WingSums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
              int32_t (&out)[Ch]) {
    uint32_t sums[Ch];
    for (auto& s : sums) s = 16384;
    Kernel::Sums(centre, fore, back, taps, sums);
    for (int ch = 0; ch < Ch; ++ch) out[ch] = static_cast<int32_t>(sums[ch]);
}

template <int Ch, bool Interp, class Kernel>
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
        int32_t h[Ch];
        WingSums<Ch, Kernel>(input + at.centre, at.fore, at.back, taps, h);
        if constexpr (Interp) {
            int32_t g[Ch];
            WingSums<Ch, Kernel>(input + next.centre, next.fore, next.back, taps, g);
            for (int ch = 0; ch < Ch; ++ch) {
                const int32_t diff = static_cast<int32_t>(static_cast<uint32_t>(g[ch]) -
                                                          static_cast<uint32_t>(h[ch]));
                const int32_t blend = static_cast<int32_t>((int64_t{diff} * (accum >> 1)) >> 32);
                *out++ = Saturate16(((h[ch] >> 1) + blend) >> 14);
            }
            const uint32_t before = accum;
            accum += s->fracStep;
            if (accum < before) at = next;  // the fraction carried: one phase further
        } else {
            for (int ch = 0; ch < Ch; ++ch) *out++ = Saturate16(h[ch] >> 15);
        }
        AdvanceByStep(*s, at);
    }
    s->carry = at.centre - end;
    s->backRow = at.back;
    s->foreRow = at.fore;
    s->fracAccum = accum;
    return static_cast<int32_t>(out - output);
}

// The four routines (mono/stereo x exact/interpolating) over one kernel.
template <class MonoKernel, class StereoKernel>
ResamplerProcess Routine(int32_t channels, bool interpolating) {
    if (interpolating)
        return channels == 1 ? Walk<1, true, MonoKernel> : Walk<2, true, StereoKernel>;
    return channels == 1 ? Walk<1, false, MonoKernel> : Walk<2, false, StereoKernel>;
}

}  // namespace
}  // namespace tonekit::resample
