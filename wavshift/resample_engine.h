// wavshift's resampling engine: one PCM WAV file to another rate, width and
// channel count through the polyphase resampler (stereo, filter type 3).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tonekit_api.h"

namespace wavshift {

struct ResampleJob {
    std::string source;
    std::string output;
    uint32_t rate = 44100;
    int32_t bits = 16;      // 8 or 16
    int32_t channels = 2;   // 1 or 2
    bool keepRate = false;  // keep the source rate in the header: pitch and speed change
};

// Called once per 32,768-byte block: the percentage read, and one step of the
// window's message loop, which returns false to abandon the run.
struct ResampleCallbacks {
    std::function<void(int32_t percent)> progress = [](int32_t) {};
    std::function<bool()> pumpMessages = [] { return true; };
};

// False when the source is not an 8- or 16-bit PCM WAV file, its rate and the
// target rate lie too far apart, the output cannot be created or written, or
// the run was abandoned; `reason` then says why the run was refused before it
// began (empty for a failure on the way). Only a complete output is kept: a
// run that fails after creating it removes it.
bool ResampleFile(const TonekitApi& tk, const ResampleJob& job, const ResampleCallbacks& callbacks,
                  std::string* reason = nullptr);

// Outputs (16-bit values) that Resample can write for `samples` input values.
int32_t CountResampledSamples(int32_t samples, const ResamplerState* state);

}  // namespace wavshift
