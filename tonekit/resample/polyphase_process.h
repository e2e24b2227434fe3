// The processing routines of the polyphase resampler: mono or stereo, exact
// (rational step) or interpolating between adjacent phases.
#pragma once

#include "tonekit.h"

namespace tonekit::resample {

// The routine for a state: mono or stereo, exact or interpolating, with the
// widest vector instructions the processor offers. Chosen once per state.
ResamplerProcess ChooseProcess(int32_t channels, bool interpolating);

// The routines of each instruction set.
ResamplerProcess PortableRoutine(int32_t channels, bool interpolating);
ResamplerProcess Avx2Routine(int32_t channels, bool interpolating);

}  // namespace tonekit::resample
