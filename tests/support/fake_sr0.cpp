// Preloaded into a test program (LD_PRELOAD), this makes /dev/sr0 look like an
// optical drive to the real Linux transport: stat reports a block device, open
// gives a descriptor, and SCSI_IOCTL_GET_IDLUN and SG_IO on it are answered by
// a simulated drive. Every other path and descriptor goes to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>

#include "fake_sr0.h"

namespace {

constexpr const char* kNode = "/dev/sr0";

struct FakeDrive {
    std::mutex lock;
    tonekit::cd::SimulatedDrive drive{testing_support::FakeSr0Disc(), kNode};
    std::map<int, int> handles;  // our descriptor -> the drive's handle
};

FakeDrive& Fake() {
    static auto* fake = new FakeDrive;
    return *fake;
}

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool IsNode(const char* path) {
    return path && std::strcmp(path, kNode) == 0;
}

int OpenNode() {
    static const auto realOpen = Next<int (*)(const char*, int, ...)>("open");
    const int fd = realOpen("/dev/null", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fd;
    FakeDrive& f = Fake();
    std::lock_guard guard(f.lock);
    f.handles[fd] = f.drive.Open(kNode);
    return fd;
}

int FillStat(struct stat* st) {
    std::memset(st, 0, sizeof *st);
    st->st_mode = S_IFBLK | 0660;
    st->st_rdev = makedev(11, 0);
    return 0;
}

mode_t ModeOf(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

int stat(const char* path, struct stat* st) {
    if (IsNode(path)) return FillStat(st);
    static const auto real = Next<int (*)(const char*, struct stat*)>("stat");
    return real(path, st);
}

int stat64(const char* path, struct stat64* st) {
    if (IsNode(path)) return FillStat(reinterpret_cast<struct stat*>(st));
    static const auto real = Next<int (*)(const char*, struct stat64*)>("stat64");
    return real(path, st);
}

int open(const char* path, int flags, ...) {
    if (IsNode(path)) return OpenNode();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    if (IsNode(path)) return OpenNode();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    if (IsNode(path)) return OpenNode();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return real(dir, path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    FakeDrive& f = Fake();
    {
        std::lock_guard guard(f.lock);
        const auto it = f.handles.find(fd);
        if (it != f.handles.end()) return f.drive.Ioctl(it->second, request, argument);
    }
    static const auto real = Next<int (*)(int, unsigned long, ...)>("ioctl");
    return real(fd, request, argument);
}

int close(int fd) {
    {
        FakeDrive& f = Fake();
        std::lock_guard guard(f.lock);
        f.handles.erase(fd);
    }
    static const auto real = Next<int (*)(int)>("close");
    return real(fd);
}

}  // extern "C"
