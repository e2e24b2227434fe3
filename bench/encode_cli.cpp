// encode_cli FORMAT KBPS PARTS IN OUT: one conversion through FFmpeg's
// encoders, MP3 in PARTS parts at once when PARTS > 1.
#include <cstdio>
#include <cstdlib>

#include "split_mp3.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s FORMAT KBPS PARTS IN OUT\n", argv[0]);
        return 2;
    }
    const sonavert::encode::EncodeSettings settings{argv[1], std::atoi(argv[2])};
    const auto result =
        sonavert::encode::TranscodeInParts(argv[4], argv[5], settings, std::atoi(argv[3]));
    if (!result.error.empty()) std::fprintf(stderr, "%s\n", result.error.c_str());
    return result.error.empty() ? 0 : 1;
}
