// CUE sheets: the track list of a whole-disc rip kept in one audio file.
// Each audio track becomes an output of its own, cut at its INDEX 01 time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonavert::batch {

inline constexpr uint32_t kCueFramesPerSecond = 75;

struct CueTrack {
    int number = 0;
    std::string title, performer;
    std::string file;  // the audio file it lies in (a path beside the sheet once loaded)
    // Where it starts and ends in that file, in CD frames. The first track of
    // a file starts at 0, so audio before its INDEX 01 (a hidden track, a
    // pregap) is kept; each track runs to the next one's INDEX 01.
    uint32_t start = 0;
    std::optional<uint32_t> end;  // none: to the end of the file
};

struct CueSheet {
    std::string title, performer, date, genre;  // of the whole disc
    std::vector<std::string> files;             // every FILE, in order
    std::vector<CueTrack> tracks;               // audio tracks only
};

// Parses a sheet's text: UTF-8 (with or without a byte-order mark) or, when it
// is not valid UTF-8, Windows-1252/Latin-1. False with the reason and line.
bool ParseCueSheet(const std::string& text, CueSheet& sheet, std::string& error);

// Reads and parses the sheet at `path`. A FILE is taken as a name beside the
// sheet (never elsewhere); when that file is missing, the one file beside the
// sheet with the same stem and an audio extension stands in (a rip whose WAV
// was later compressed).
bool LoadCueSheet(const std::string& path, CueSheet& sheet, std::string& error);

// The first sample frame at `rate` of a time in CD frames.
inline uint64_t CueFrameToSample(uint32_t frames, uint32_t rate) {
    return static_cast<uint64_t>(frames) * rate / kCueFramesPerSecond;
}

}  // namespace sonavert::batch
