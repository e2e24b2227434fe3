// One input converted into FLAC, Opus, Ogg Vorbis, AAC (.m4a) or MP3 through
// FFmpeg's encoders, streaming: memory stays the same for any length.
#pragma once

#include <string>

#include "encode_settings.h"
#include "loudness.h"
#include "pipeline.h"

namespace sonavert::encode {

struct TranscodeResult {
    std::string error;   // "" when the output is complete
    int64_t frames = 0;  // samples per channel written, at the output's rate
    int rate = 0;
    int channels = 0;
    bool measured = false;  // `loudness` holds the output's measurement
    Loudness loudness;
};

// Writes `output` (created or truncated, never through a link). The caller
// removes it on failure. `measure` also measures the loudness of what is encoded.
TranscodeResult Transcode(const std::string& input, const std::string& output,
                          const EncodeSettings& settings, bool measure = false,
                          const ProgressHook& progress = {});

// Measures the loudness of a finished file of any format FFmpeg decodes.
// "" or why not.
std::string MeasureFile(const std::string& path, Loudness& out);

}  // namespace sonavert::encode
