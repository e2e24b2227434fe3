// What a conversion through FFmpeg's encoders is asked to make.
#pragma once

#include <string>

namespace sonavert::encode {

struct EncodeSettings {
    std::string format = "mp3";  // "mp3", "flac", "opus", "ogg" or "m4a"
    int bitrate = 128;           // kbit/s, for the lossy formats
    int quality = -1;            // MP3 VBR quality 0 (best) .. 9; -1: constant bit rate
    int rate = 0;                // 0: the source's (MP3: 44,100 Hz)
    int channels = 0;            // 0: the source's (MP3: stereo)
};

// True for the formats only FFmpeg's encoders make (MP3 has the library's
// encoder too).
inline bool OnlyThroughEncoders(const std::string& format) {
    return format == "flac" || format == "opus" || format == "ogg" || format == "m4a";
}

}  // namespace sonavert::encode
