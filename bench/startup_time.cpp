// Time from starting `sonavert` to its main window shown, median of 10 runs,
// under Qt's offscreen platform: the program prints the monotonic clock when
// the window shows (--measure-startup) and leaves.
//   build/bin/startup_time build/bin/sonavert
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// One run: milliseconds from spawning to the window shown, or -1.
double OneRun(const char* program) {
    int out[2];
    if (pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program), const_cast<char*>("--measure-startup"), nullptr};
    const double started = MonotonicMs();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(out[0]);
    int status = 0;
    if (spawned == 0) waitpid(child, &status, 0);
    double shown = 0;
    if (spawned != 0 || std::sscanf(text.c_str(), "shown %lf", &shown) != 1) return -1;
    return shown - started;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_time path/to/sonavert\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<double> times;
    for (int i = 0; i < 10; ++i) {
        const double ms = OneRun(argv[1]);
        if (ms < 0) {
            std::fprintf(stderr, "startup_time: run %d failed\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "start to main window shown: median %.1f ms (min %.1f, max %.1f) over 10 runs; "
        "goal < 300 ms\n",
        (times[4] + times[5]) / 2, times.front(), times.back());
    return 0;
}
