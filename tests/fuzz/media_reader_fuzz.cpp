// Feeds arbitrary bytes to the compressed-audio reader as a file and reads
// every block it yields, at normal and changed speed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tonekit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("media", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
        uint64_t duration = 0;
        const double speed = size && (data[0] & 1) ? 1.5 : 1.0;
        if (OpenWMA(7, path, 0, &duration) == 1) {
            GetFormatWMA(7);
            char* block = nullptr;
            int32_t bytes = 0;
            uint64_t time = 0;
            for (int i = 0; i < 2000 && ReadWMA(7, &block, &bytes, &time, speed) >= 0; ++i)
                std::free(block);
        }
        CloseWMA(7);
    }
    close(fd);
    return 0;
}
