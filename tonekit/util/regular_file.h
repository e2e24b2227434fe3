// Opening the files a conversion reads and writes. Sources and outputs are
// regular files only: a FIFO would block, a device would never end, a folder
// is not audio. An output is never the file its source names (by any path,
// link or hard link). Header-only so that wavshift's engine shares the rules.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace tonekit::util {

// A stream closed when it goes out of scope; release() it where fclose's
// result matters (an output's last buffered write).
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// True when both paths name one existing file.
inline bool SameFile(const char* a, const char* b) {
    struct stat sa, sb;
    return a && b && stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

inline bool IsRegularFile(const char* path) {
    struct stat st;
    return path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

inline bool IsFolder(const char* path) {
    struct stat st;
    return path && *path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The descriptor `open` gave when it names a regular file; otherwise closes it.
inline int KeepIfRegular(int fd) {
    struct stat st;
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
}

// A regular file opened for binary reading, never blocking on a FIFO; null
// for anything else.
inline FILE* OpenSourceFile(const char* path) {
    if (!path) return nullptr;
    const int fd = KeepIfRegular(open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd < 0) return nullptr;
    fcntl(fd, F_SETFL, 0);
    FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

// Creates or empties `path` for binary writing ("wb+"); null when it is not a
// regular file or a new name, or when it is the file `source` names.
inline FILE* CreateOutputFile(const char* path, const char* source = nullptr) {
    if (!path || SameFile(path, source)) return nullptr;
    const int fd = KeepIfRegular(open(path, O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
    if (fd < 0) return nullptr;
    FILE* f = ftruncate(fd, 0) == 0 && fcntl(fd, F_SETFL, 0) == 0 ? fdopen(fd, "wb+") : nullptr;
    if (!f) close(fd);
    return f;
}

// Removes `path` when it is a regular file (never a device or a folder).
inline void RemoveRegularFile(const char* path) {
    if (IsRegularFile(path)) std::remove(path);
}

}  // namespace tonekit::util
