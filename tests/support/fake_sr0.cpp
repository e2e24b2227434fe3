// Preloaded into a test program (LD_PRELOAD), this makes /dev/sr0 look like an
// optical drive to the real Linux transport: stat reports a block device, open
// gives a descriptor, and ioctl on it is answered by a simulated drive. Every
// other path and descriptor goes to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstring>
#include <map>
#include <mutex>

#include "fake_sr0.h"

namespace {

struct FakeDrive {
    std::mutex lock;
    tonekit::cd::SimulatedDrive drive{testing_support::FakeSr0Disc()};
    std::map<int, int> handles;  // our descriptor -> the drive's handle
};

FakeDrive& Fake() {
    static auto* fake = new FakeDrive;
    return *fake;
}

// The C library's own functions, resolved when this library loads, so that
// nothing is looked up inside another library's start-up.
template <typename F>
F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
const auto g_stat = Real<int (*)(const char*, struct stat*)>("stat");
const auto g_open = Real<int (*)(const char*, int, ...)>("open");
const auto g_ioctl = Real<int (*)(int, unsigned long, ...)>("ioctl");
const auto g_close = Real<int (*)(int)>("close");

bool IsNode(const char* path) {
    return path && std::strcmp(path, "/dev/sr0") == 0;
}

}  // namespace

extern "C" {

int stat(const char* path, struct stat* st) {
    if (!IsNode(path)) return g_stat(path, st);
    std::memset(st, 0, sizeof *st);
    st->st_mode = S_IFBLK | 0660;
    return 0;
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, int) : 0;
    va_end(args);
    if (!IsNode(path)) return g_open(path, flags, mode);
    const int fd = g_open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::lock_guard guard(Fake().lock);
    if (fd >= 0) Fake().handles[fd] = Fake().drive.Open(path);
    return fd;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    {
        std::lock_guard guard(Fake().lock);
        const auto it = Fake().handles.find(fd);
        if (it != Fake().handles.end()) return Fake().drive.Ioctl(it->second, request, argument);
    }
    return g_ioctl(fd, request, argument);
}

int close(int fd) {
    {
        std::lock_guard guard(Fake().lock);
        Fake().handles.erase(fd);
    }
    return g_close(fd);
}

}  // extern "C"
