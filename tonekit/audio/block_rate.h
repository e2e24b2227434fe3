// The block rate converter: a zero-order-hold stepper through the source frames
// with an optional two-stage low-pass, converting width and channels on the way.
#pragma once

#include <cstdint>

#include "tonekit.h"

namespace tonekit::audio {

// Converts `srcBytes` of frames described by `info` (sampleRate, bitsPerSample,
// channels, blockAlign) into a new calloc'ed `out` block, advancing `step`
// input frames per output frame from `phase`. Returns the phase carried into the
// next block. With `filter` set, leftState/rightState hold 48 doubles each.
// `hook` receives the frame as double[2] at full scale 1.0.
double ConvertBlockRate(const uint8_t* src, uint32_t srcBytes, const WavInfo* info, AudioBlock* out,
                        double step, int32_t outBits, int32_t outChannels, double phase,
                        int32_t filter, double* leftState, double* rightState, SampleHook hook);

// A sample as the converter works on it: scaled to full scale 1.0 and held in
// single precision, which fixes the exact round trip (1,000 comes back as 999).
float SampleToUnit(int16_t sample);
// Back to 16 bits, truncated toward zero and held at full scale.
int16_t UnitToSample(double value);

}  // namespace tonekit::audio
