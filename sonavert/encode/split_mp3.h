// One long input on every core: constant-bit-rate MP3 frames stand alone (no
// bit reservoir), so the file is cut at frame boundaries into parts, each
// part is encoded on a thread of its own from a few frames before its start
// (so the encoder's analysis has settled) to a few after its end, and the
// parts' frames are joined into one stream with one delay/padding header.
#pragma once

#include <string>

#include "transcoder.h"

namespace sonavert::encode {

// True when `input` can be encoded in parts into `settings`: MP3 at a constant
// bit rate, from a source whose samples can be reached exactly (PCM, FLAC)
// at the MP3's own rate.
bool CanEncodeInParts(const std::string& input, const EncodeSettings& settings);

// As Transcode, in `parts` parts at once; falls back to one part when the
// input cannot be split or is shorter than a few seconds per part.
TranscodeResult TranscodeInParts(const std::string& input, const std::string& output,
                                 const EncodeSettings& settings, int parts, bool measure = false,
                                 const ProgressHook& progress = {});

}  // namespace sonavert::encode
