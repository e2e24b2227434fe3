// Add Folder on a folder of 1,000 one-second MP3 files: total time, time per
// file, and how often the window was repainted meanwhile (the pump's calls
// and the longest time between two of them).
//   build/bin/add_folder [count]
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "converter_session.h"
#include "input_list.h"
#include "main_window.h"
#include "message_pump.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const fs::path root =
        fs::temp_directory_path() / ("sonavert-add-folder-" + std::to_string(getpid()));
    const fs::path music = root / "music";
    fs::create_directories(music);
    fs::create_directories(root / "program");
    const std::string first = (music / "song0000.mp3").string();
    if (std::system(
            ("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=1 -ac 2 -b:a 128k " +
             first)
                .c_str()) != 0)
        return 1;
    for (int i = 1; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "song%04d.mp3", i);
        fs::copy_file(first, music / name);
    }
    setenv("HOME", root.c_str(), 1);

    QApplication app(argc, argv);
    sonavert::StartOptions options;
    options.paths = sonavert::FindProgramPaths((root / "program/").string(),
                                               [](const char* n) { return getenv(n); });
    options.exitPumpMs = 0;
    sonavert::ConverterSession session(options);
    if (!session.Start()) return 1;
    sonavert::StartPumpStatistics();
    QElapsedTimer timer;
    timer.start();
    session.window()->inputs().AddFolderFiles(music.string() + "/", false);
    const double ms = timer.nsecsElapsed() / 1e6;
    const auto pumps = sonavert::PumpStatisticsSoFar();
    const size_t added = session.window()->inputs().Paths().size();
    std::printf(
        "Add Folder, %zu of %d one-second MP3 files: %.0f ms in all, %.2f ms per file; "
        "%llu pump calls, longest gap between two %.1f ms (goal <= 100 ms)\n",
        added, count, ms, ms / count, static_cast<unsigned long long>(pumps.calls),
        pumps.longestGapMs);
    session.Shutdown();
    fs::remove_all(root);
    return added == static_cast<size_t>(count) ? 0 : 1;
}
