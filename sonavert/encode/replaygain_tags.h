// ReplayGain 2.0 tags (reference -18 LUFS) written the way each format keeps
// them: ID3v2 TXXX frames in MP3 (and in WAV's id3 chunk), Vorbis comments in
// FLAC and Ogg Vorbis, R128_* gains (Q7.8 dB against -23 LUFS) in Opus as its
// players expect, freeform iTunes atoms in M4A, attributes in WMA.
#pragma once

#include <optional>
#include <string>

#include "loudness.h"

namespace sonavert::encode {

struct Gain {
    double db = 0;    // to add on playback
    double peak = 0;  // linear sample peak, full scale = 1
    double lufs = 0;  // the measured loudness (for Opus's R128 tags)
};

// The gain for a measurement; empty when nothing in it passes the gates.
std::optional<Gain> GainOf(const Loudness& loudness);

// Writes the track gain and, when given, the album gain into `path`, a
// finished file in `format` ("mp3", "wma", "wav", "flac", "opus", "ogg",
// "m4a"), keeping its other tags. False when the file could not be updated.
bool WriteReplayGain(const std::string& path, const std::string& format, const Gain& track,
                     const std::optional<Gain>& album = std::nullopt);

}  // namespace sonavert::encode
