// load_time LIBRARY: how long loading libtonekit.so takes (attach included),
// best of ten loads in fresh child processes.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s path/to/libtonekit.so\n", argv[0]);
        return 2;
    }
    double best = 1e9;
    for (int run = 0; run < 10; ++run) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return 1;
        if (fork() == 0) {
            const auto start = std::chrono::steady_clock::now();
            void* library = dlopen(argv[1], RTLD_NOW);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (write(pipeFds[1], &ms, sizeof ms) != sizeof ms || !library) _exit(1);
            _exit(0);
        }
        double ms = 0;
        if (read(pipeFds[0], &ms, sizeof ms) == sizeof ms && ms < best) best = ms;
        wait(nullptr);
        close(pipeFds[0]);
        close(pipeFds[1]);
    }
    std::printf("loading %s: %.1f ms (best of 10)\n", argv[1], best);
    return 0;
}
