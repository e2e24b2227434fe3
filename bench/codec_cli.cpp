// codec_cli mp3|wma|wav IN OUT: one WAV2MP3 (128 kbit/s), WAV2WMA (128 kbit/s)
// or WMA2WAV call, as the converter makes it.
#include <cstdio>
#include <cstring>

#include "library.h"
#include "tonekit.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s mp3|wma|wav IN OUT\n", argv[0]);
        return 2;
    }
    tonekit::LibraryAttach();
    int result = 2;
    if (std::strcmp(argv[1], "mp3") == 0) result = WAV2MP3(argv[2], argv[3], 128, 44100, nullptr);
    if (std::strcmp(argv[1], "wma") == 0) result = WAV2WMA(argv[2], argv[3], 128, nullptr);
    if (std::strcmp(argv[1], "wav") == 0) result = WMA2WAV(argv[2], argv[3], nullptr);
    tonekit::LibraryDetach();
    return result == 0 ? 0 : 1;
}
