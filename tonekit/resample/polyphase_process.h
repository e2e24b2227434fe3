// The four processing routines of the polyphase resampler: mono or stereo,
// exact (rational step) or interpolating between adjacent phases.
#pragma once

#include "tonekit.h"

namespace tonekit::resample {

int32_t ResampleMono(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                     int16_t* output);
int32_t ResampleStereo(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                       int16_t* output);
int32_t ResampleMonoInterp(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                           int16_t* output);
int32_t ResampleStereoInterp(ResamplerState* s, const int16_t* input, int32_t start, int32_t end,
                             int16_t* output);

}  // namespace tonekit::resample
