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

// The C library's own functions, resolved once when this library loads, so
// that nothing is looked up or allocated inside another library's start-up.
struct RealFunctions {
    int (*stat)(const char*, struct stat*);
    int (*stat64)(const char*, struct stat64*);
    int (*open)(const char*, int, ...);
    int (*open64)(const char*, int, ...);
    int (*openat)(int, const char*, int, ...);
    int (*ioctl)(int, unsigned long, ...);
    int (*close)(int);
};
RealFunctions g_real;

template <typename F>
void Resolve(F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void ResolveOnLoad() {
    Resolve(g_real.stat, "stat");
    Resolve(g_real.stat64, "stat64");
    Resolve(g_real.open, "open");
    Resolve(g_real.open64, "open64");
    Resolve(g_real.openat, "openat");
    Resolve(g_real.ioctl, "ioctl");
    Resolve(g_real.close, "close");
    Fake();
}

bool IsNode(const char* path) {
    return path && std::strcmp(path, kNode) == 0;
}

int OpenNode() {
    const int fd = g_real.open("/dev/null", O_RDONLY | O_CLOEXEC);
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

// The node, or the C library's `function` for every other path.
int OpenPath(int (*function)(const char*, int, ...), const char* path, int flags, mode_t mode) {
    return IsNode(path) ? OpenNode() : function(path, flags, mode);
}

}  // namespace

extern "C" {

int stat(const char* path, struct stat* st) {
    if (IsNode(path)) return FillStat(st);
    return g_real.stat(path, st);
}

int stat64(const char* path, struct stat64* st) {
    if (IsNode(path)) return FillStat(reinterpret_cast<struct stat*>(st));
    return g_real.stat64(path, st);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenPath(g_real.open, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenPath(g_real.open64, path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    if (IsNode(path)) return OpenNode();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return g_real.openat(dir, path, flags, mode);
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
    return g_real.ioctl(fd, request, argument);
}

int close(int fd) {
    {
        FakeDrive& f = Fake();
        std::lock_guard guard(f.lock);
        f.handles.erase(fd);
    }
    return g_real.close(fd);
}

}  // extern "C"
