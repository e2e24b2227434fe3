// One CUE track's part of a decoded disc image: the scratch WAV cut down, in
// place, to the frames between two CD-frame times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sonavert::batch {

// Keeps the audio of `wav` (a canonical 44-byte-header WAV) from CD frame
// `start` up to `end` (none: to its end) and fixes the header's sizes. False
// with the reason when the file is not such a WAV or the part lies beyond
// its end.
bool CutWavToSegment(const std::string& wav, uint32_t start, std::optional<uint32_t> end,
                     std::string& error);

}  // namespace sonavert::batch
