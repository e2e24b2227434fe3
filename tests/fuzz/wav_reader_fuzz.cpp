// Feeds arbitrary bytes to the WAV reader as a file, then reads and seeks
// through whatever opened.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tonekit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("wav", 0);
    if (fd < 0) return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (const WavInfo* info = OpenWAV(path, 4)) {
        std::vector<char> buffer(4096);
        const uint32_t dataBytes = info->dataBytes;
        int32_t chunk = size ? 1 + data[size - 1] * 16 : 1;
        for (int i = 0; i < 64 && ReadWAV(4, chunk, buffer.data()) > 0; ++i) {
        }
        SeekWAV(4, dataBytes / 2);
        ReadWAV(4, 4096, buffer.data());
        SeekWAV(4, dataBytes);
        SeekWAV(4, 0);
        ReadWAV(4, 17, buffer.data());
    }
    CloseWAV(4);
    close(fd);
    return 0;
}
