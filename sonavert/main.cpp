// sonavert: the converter. Start-up and shutdown run in ConverterSession.
#include <QApplication>

#include <time.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_main.h"
#include "command_line.h"
#include "converter_session.h"
#include "ui/program_start.h"

namespace {

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    using Action = sonavert::CommandLine::Action;
    const auto line = sonavert::ParseCommandLine({argv + 1, argv + argc});
    if (line.action == Action::kBatch) return sonavert::batch::RunBatchCommand(line.arguments);
    if (line.action != Action::kWindow) return sonavert::AnswerCommandLine(line);
    if (!tonekit::ui::HasDisplay("sonavert")) return 1;
    tonekit::ui::CatchQuitSignals();
    // The command line is the program's own: Qt is not given it, so a file
    // named like one of Qt's options stays a file.
    int qtArgc = 1;
    std::unique_ptr<QApplication> app;
    tonekit::ui::StartApplication("sonavert", qtArgc, argv, app);

    sonavert::StartOptions options;
    options.inputs = line.arguments;
    if (line.measureStartup) options.exitPumpMs = 0;
    sonavert::ConverterSession session(std::move(options));
    if (!session.Start()) return 1;
    if (line.measureStartup) {
        // Prints the monotonic clock once the window shows and leaves at once
        // (for the start-up benchmark).
        QApplication::processEvents();
        std::printf("shown %.3f\n", MonotonicMs());
        std::fflush(stdout);
    } else {
        session.RunMainLoop();
    }
    session.Shutdown();
    return 0;
}
