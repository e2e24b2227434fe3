// sonavert: the converter. Start-up and shutdown run in ConverterSession.
#include <QApplication>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch/batch_main.h"
#include "batch/batch_options.h"
#include "converter_session.h"
#include "main_window.h"
#include "ui/program_start.h"

namespace {

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    // `--convert`, `--help`, `--version`: the batch converter, without a display.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (sonavert::batch::IsBatchCommand(arguments))
        return sonavert::batch::RunBatchCommand(arguments);
    if (!tonekit::ui::HasDisplay("sonavert")) return 1;
    // `--measure-startup`: print the monotonic clock once the window shows
    // and leave at once (for the start-up benchmark).
    const bool measureStartup = argc > 1 && std::strcmp(argv[1], "--measure-startup") == 0;
    std::unique_ptr<QApplication> app;
    tonekit::ui::StartApplication("sonavert", argc, argv, app);

    sonavert::StartOptions options;
    if (measureStartup) options.exitPumpMs = 0;
    sonavert::ConverterSession session(std::move(options));
    if (!session.Start()) return 1;
    if (measureStartup) {
        QApplication::processEvents();
        std::printf("shown %.3f\n", MonotonicMs());
        std::fflush(stdout);
    } else {
        session.RunMainLoop();
    }
    session.Shutdown();
    return 0;
}
