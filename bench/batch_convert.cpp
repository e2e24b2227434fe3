// A batch through the converter's queue (the Convert button's code path,
// under Qt's offscreen platform) against the peer tools in a shell loop:
// 20 thirty-second WAV files (44,100/16/2) to MP3 at 128 against
// `lame -b 128 --cbr -m s --nores`, and the 20 MP3 files to WMA against
// `ffmpeg -c:a wmav2 -b:a 128k`. Prints the ratios and where the time goes.
//   build/bin/batch_convert [files] [seconds]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "conversion_queue.h"
#include "converter_session.h"
#include "input_list.h"
#include "main_window.h"
#include "ui/dialog_items.h"

namespace fs = std::filesystem;

namespace {

double Run(const std::string& command) {
    QElapsedTimer timer;
    timer.start();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return timer.nsecsElapsed() / 1e6;
}

// Converts every file of `inputs` to `format` (0 MP3, 1 WMA) into `output`.
double ConvertWithQueue(sonavert::MainWindow& window, const std::vector<std::string>& inputs,
                        int format) {
    auto* list = window.inputs().list();
    list->clear();
    for (const auto& path : inputs) list->addItem(QString::fromStdString(path));
    window.inputs().Rebuild(false);
    tonekit::ui::FindItem<QComboBox>(window.dialog(), 1023)->setCurrentIndex(format);
    QElapsedTimer timer;
    timer.start();
    window.Command(1010);
    return timer.nsecsElapsed() / 1e6;
}

void Report(const char* what, double ours, double peer) {
    const auto t = sonavert::LastRunTimings();
    std::printf("%s: queue %.0f ms, peer loop %.0f ms, ratio %.2f (goal <= 1.1)\n", what, ours,
                peer, ours / peer);
    std::printf(
        "  where the queue's time goes: decode into the scratch file %.0f ms, encode from "
        "it %.0f ms, the rest %.0f ms; the window's pump took %.0f ms of decode and "
        "encode\n",
        t.decodeMs, t.encodeMs, ours - t.decodeMs - t.encodeMs, t.pumpMs);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const fs::path root =
        fs::temp_directory_path() / ("sonavert-batch-" + std::to_string(getpid()));
    for (const char* sub : {"wav", "ours", "peer", "program"}) fs::create_directories(root / sub);
    std::vector<std::string> wavs, mp3s;
    for (int i = 0; i < files; ++i) {
        const std::string wav = (root / "wav" / ("song" + std::to_string(i) + ".wav")).string();
        const std::string synth = "sox -n -r 44100 -b 16 -c 2 '" + wav + "' synth " +
                                  std::to_string(seconds) + " pinknoise vol 0.3";
        if (std::system(synth.c_str()) != 0) return 1;
        wavs.push_back(wav);
    }
    setenv("HOME", root.c_str(), 1);
    QApplication app(argc, argv);
    sonavert::StartOptions options;
    options.paths = sonavert::FindProgramPaths((root / "program/").string(),
                                               [](const char* n) { return getenv(n); });
    options.exitPumpMs = 0;
    sonavert::ConverterSession session(options);
    if (!session.Start()) return 1;
    auto& window = *session.window();
    session.converter()->settings.outputFolder = (root / "ours/").string();

    const std::string peer = (root / "peer/").string();
    double lame = 0;
    for (const auto& wav : wavs)
        lame += Run("lame --quiet -b 128 --cbr -m s --nores '" + wav + "' '" + peer +
                    fs::path(wav).stem().string() + ".mp3'");
    const double ours = ConvertWithQueue(window, wavs, 0);
    Report("20 WAV -> MP3 128", ours, lame);

    for (const auto& wav : wavs)
        mp3s.push_back((root / "ours" / (fs::path(wav).stem().string() + ".mp3")).string());
    double ffmpeg = 0;
    for (const auto& mp3 : mp3s)
        ffmpeg += Run("ffmpeg -v error -y -i '" + mp3 + "' -c:a wmav2 -b:a 128k '" + peer +
                      fs::path(mp3).stem().string() + ".wma'");
    const double oursWma = ConvertWithQueue(window, mp3s, 1);
    Report("20 MP3 -> WMA 128", oursWma, ffmpeg);

    session.Shutdown();
    fs::remove_all(root);
    return 0;
}
