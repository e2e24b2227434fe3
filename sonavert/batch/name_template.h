// Output names made from an input's tags, such as
// "{albumartist}/{album}/{track:02} {title}": '/' in the pattern makes
// folders, and each part is made safe to use as a file name.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonavert::batch {

// The tag values a name may use; an empty value is a missing tag.
struct NameFields {
    std::string artist, albumArtist, album, title, track, disc, year, genre;
};

class NameTemplate {
  public:
    // The pattern, or nothing with `error` set when it names an unknown field
    // or its braces do not pair.
    static std::optional<NameTemplate> Parse(const std::string& pattern, std::string& error);

    // The output's path below its folder, without extension. A folder part
    // that uses a missing tag is left out; a file name that uses one is the
    // input's stem. A missing album artist is the artist.
    std::string Expand(const NameFields& fields, const std::string& stem) const;

  private:
    struct Piece {
        std::string literal;
        int field = -1;  // -1: literal text
        int width = 0;   // zero padding of numbers
    };
    std::vector<std::vector<Piece>> parts_;  // one per '/'-separated part
};

// `text` made usable as one file or folder name on any file system a player
// or share might use: no '/', control or \ : * ? " < > | characters (each
// becomes '_'), no leading dot, no leading or trailing blanks, no trailing
// dots, at most 200 bytes (cut between UTF-8 characters). May be empty.
std::string SafeNamePart(const std::string& text);

}  // namespace sonavert::batch
