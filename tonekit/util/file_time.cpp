// File size and timed wait.
#include <time.h>

#include <climits>
#include <cstdint>
#include <cstdio>

#include "tonekit.h"

namespace tonekit::util {
namespace {

// The millisecond tick counter, wrapping at 2^32 like the platform's.
uint32_t TickCount() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

void SleepOneMillisecond() {
    const timespec ms{0, 1000000};
    nanosleep(&ms, nullptr);
}

}  // namespace
}  // namespace tonekit::util

extern "C" int32_t FileSize(const char* path) {
    if (!path) return -1;
    FILE* f = std::fopen(path, "rb+");
    if (!f) return -1;
    off_t size = fseeko(f, 0, SEEK_END) == 0 ? ftello(f) : -1;
    std::fclose(f);
    if (size > INT32_MAX) size = INT32_MAX;
    return static_cast<int32_t>(size);
}

extern "C" int32_t WaitTime(uint32_t milliseconds, WaitCallback callback) {
    using namespace tonekit::util;
    // Elapsed time is measured by difference, so a wrap of the tick counter
    // neither ends the wait early nor stretches it.
    const uint32_t start = TickCount();
    for (uint32_t elapsed = 0; elapsed < milliseconds; elapsed = TickCount() - start) {
        if (callback) {
            // Waits beyond 2^31 ms report the largest remaining time that fits.
            const uint32_t remaining = milliseconds - elapsed;
            const int32_t result =
                callback(remaining > INT32_MAX ? INT32_MAX : static_cast<int32_t>(remaining));
            if (result) return result;
        }
        SleepOneMillisecond();
    }
    return 0;
}
