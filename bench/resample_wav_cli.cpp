// resample_wav_cli IN OUT RATE BITS CHANNELS: one ResampleWAV call, as the
// converter makes it (filter on, no progress).
#include <cstdio>
#include <cstdlib>

#include "tonekit.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s IN OUT RATE BITS CHANNELS\n", argv[0]);
        return 2;
    }
    const char* out = ResampleWAV(argv[1], argv[2], static_cast<uint32_t>(std::atol(argv[3])),
                                  std::atoi(argv[4]), std::atoi(argv[5]), 0, nullptr, nullptr, 1);
    return out ? 0 : 1;
}
