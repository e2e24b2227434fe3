#include "util/file_cleanup.h"

#include <sys/stat.h>

#include <cstdio>

namespace tonekit::util {

void RemoveRegularFile(const char* path) {
    struct stat st;
    if (path && stat(path, &st) == 0 && S_ISREG(st.st_mode)) std::remove(path);
}

}  // namespace tonekit::util

namespace tonekit::util {

bool IsShorterThan(const char* path, long bytes) {
    struct stat st;
    return path && stat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < bytes;
}

}  // namespace tonekit::util
