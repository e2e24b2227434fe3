// Tags and the front cover carried from an input to its converted output,
// through TagLib: ID3v2.4 with an ID3v1 copy for MP3, ASF attributes for WMA,
// a LIST/INFO chunk (text only) for WAV, Vorbis comments for FLAC, Ogg and
// Opus, MP4 atoms for M4A.
#pragma once

#include <string>
#include <vector>

namespace sonavert {

struct MediaTags {
    std::string title, artist, album, albumArtist, track, disc, year, genre, comment;
    std::string coverMime;
    std::vector<char> cover;  // the front cover picture, empty when there is none

    bool Empty() const;
};

// The tags of `input`, whatever its format holds; empty when it has none or
// cannot be read. A CD track is titled "Track NN".
MediaTags ReadMediaTags(const std::string& input);

// Writes `tags` into `output`, a finished file in `format` (0 MP3, 1 WMA,
// 2 WAV) whatever its name. Nothing is written for empty tags. False when the
// file could not be updated.
bool WriteMediaTags(const std::string& output, int format, const MediaTags& tags);

// The same for a format by name: "mp3", "wma", "wav", and "flac", "ogg",
// "opus" (Vorbis comments, the cover as a picture block) and "m4a" (MP4 atoms).
bool WriteMediaTags(const std::string& output, const std::string& format, const MediaTags& tags);

}  // namespace sonavert
