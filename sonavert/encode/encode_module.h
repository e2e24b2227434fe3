// The encoders as a library of their own, libsonavert-encode.so, loaded when a
// batch first needs them: FFmpeg's libraries (well over a hundred with their
// dependencies) would otherwise load at every start of the window. Only
// standard types cross, so this header pulls in no FFmpeg.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "encode_settings.h"

namespace sonavert::encode {

struct ConvertRequest {
    std::string input, output;  // `output` is created or truncated, never through a link
    EncodeSettings settings;
    int parts = 1;         // MP3 at a constant bit rate: encoded in this many parts at once
    bool measure = false;  // measure the loudness of what is encoded
    std::function<bool(int percent)> progress;  // false: stop ("interrupted")
};

struct ConvertOutcome {
    std::string error;   // "" when the output is complete
    int64_t frames = 0;  // samples per channel written
    int rate = 0, channels = 0;
    std::string loudness;  // the measurement in its text form; "" when not measured
};

// Loudness measurements in their text form; an album merges its tracks'.
using Measurements = std::vector<std::string>;

struct EncodeModule {
    void (*convert)(const ConvertRequest& request, ConvertOutcome& outcome);
    // Measures a finished file of any format FFmpeg decodes. "" or why not.
    std::string (*measure)(const std::string& path, std::string& loudness);
    // Writes the ReplayGain tags of `track` (and of `album` merged, when not
    // empty) into `path`, a finished file in `format`. "" or why not.
    std::string (*writeGain)(const std::string& path, const std::string& format,
                             const std::string& track, const Measurements& album);
};

// The module, loaded on first use from the program's folder (then ../lib,
// then the system's search); null when it cannot be loaded, with the loader's
// reason in `why`.
const EncodeModule* LoadEncodeModule(std::string* why = nullptr);

}  // namespace sonavert::encode

extern "C" {
// The module's one export.
using SonavertEncodeModuleFunction = const sonavert::encode::EncodeModule* (*)();
}
