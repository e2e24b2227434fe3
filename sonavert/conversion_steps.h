// The steps of one conversion, shared by the window's run and the batch
// workers: the input decoded (or ripped) into the scratch WAV, the scratch
// WAV encoded into a temporary output, and the output put in place.
#pragma once

#include <functional>
#include <string>

#include "tonekit_binding.h"

namespace sonavert {

inline constexpr int kMp3 = 0, kWma = 1, kWav = 2, kCdTrack = 3;

// What a step reports to while it works. `progress` is the library's callback
// (it returns -1 to stop the step); the others may be left empty.
struct StepHooks {
    ProgressCallback progress = nullptr;
    std::function<bool()> stopRequested;
    std::function<void()> ripFailed;  // a CD track still unreadable after every attempt
};

// Decodes, resamples or rips `input` (of media type `type`) into `scratch`;
// false when that fails or leaves no audio.
bool DecodeToScratch(const Tonekit& tk, int type, const std::string& input,
                     const std::string& scratch, const StepHooks& hooks);

// Encodes `scratch` into `output` in `format` (kMp3, kWma or kWav).
bool EncodeFromScratch(const Tonekit& tk, int format, const std::string& scratch,
                       const std::string& output, int32_t bitrate, const StepHooks& hooks);

// Where an output is written until it is complete: a hidden name beside it.
std::string TemporaryFor(const std::string& output);

// Renames without replacing a file that already has the new name.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace sonavert
