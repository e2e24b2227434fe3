// Starting the converter: a library that cannot be bound, no display, the
// command line, and the signals that end both programs.
#include <gtest/gtest.h>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "converter_fixture.h"
#include "converter_session.h"
#include "qt_test_support.h"
#include "test_support.h"

namespace {

using testing_support::ModalAnswers;
using testing_support::PressButton;

std::string StartWith(const std::string& library) {
    sonavert::StartOptions options;
    options.libraryPath = library;
    options.exitPumpMs = 0;
    sonavert::ConverterSession session(options);
    std::string text;
    ModalAnswers answers;
    answers.Then(PressButton(QMessageBox::Ok, &text));
    EXPECT_FALSE(session.Start());
    return text;
}

TEST(Startup, AMissingExportOrLibraryIsNamedAndNothingStarts) {
    EXPECT_EQ(StartWith(STUB_TONEKIT_SO),
              "ERROR|libtonekit.so has no function CreateDesktopShortcut");
    EXPECT_EQ(StartWith("/nonexistent/libtonekit.so").rfind("ERROR|Cannot load libtonekit.so", 0),
              0u);
}

TEST(Startup, WithoutADisplayTheProgramSaysSoAndLeaves) {
    std::string out;
    const int status = testing_support::RunCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " SONAVERT_BIN " 2>&1", &out);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "sonavert: no display to show the window on (DISPLAY is not set)\n");
}

TEST(Startup, TheProgramStartsOffscreenAndLeavesCleanly) {
    testing_support::TempDir home;
    std::string out;
    const std::string command = "HOME=" + home.path() + " XDG_CONFIG_HOME=" + home.path() +
                                " XDG_CACHE_HOME=" + home.path() +
                                " QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy " SONAVERT_BIN
                                " --measure-startup 2>/dev/null";
    EXPECT_EQ(testing_support::RunCommand(command, &out), 0);
    EXPECT_EQ(out.rfind("shown ", 0), 0u) << out;
}

TEST(Startup, TheCommandLineIsAnsweredWithoutAWindow) {
    struct Case {
        const char* arguments;
        int status;
        const char* output;  // how it starts
    } cases[] = {
        {"song.wav --help", 0, "Usage: sonavert [FILE|FOLDER...]"},
        {"--convert --to wav song.wav -h", 0, "Usage: sonavert"},
        {"song.wav --version", 0, "sonavert 1.0\n"},
        {"--bogus song.wav", 2, "sonavert: unknown option '--bogus'\n"},
    };
    for (const auto& c : cases) {
        std::string out;
        const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY ") +
                                    SONAVERT_BIN " " + c.arguments + " 2>&1";
        EXPECT_EQ(testing_support::RunCommand(command, &out), c.status) << c.arguments;
        EXPECT_EQ(out.rfind(c.output, 0), 0u) << c.arguments << ": " << out;
    }
}

TEST(Startup, FilesAndFoldersGivenAtStartJoinTheInputList) {
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir / "album/cd1");
    std::filesystem::copy_file(sonavert_testing::MediaFolder() + "/two.wav", dir / "song.wav");
    std::filesystem::copy_file(sonavert_testing::MediaFolder() + "/one.mp3",
                               dir / "album/cd1/a.mp3");
    setenv("HOME", dir.path().c_str(), 1);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path()));
    sonavert::StartOptions options;
    options.libraryPath = TONEKIT_SO;
    options.paths = sonavert::FindProgramPaths(dir.path(), [](const char* n) { return getenv(n); });
    options.exitPumpMs = 0;
    options.inputs = {"song.wav", dir / "album", dir / "missing.mp3"};
    sonavert::ConverterSession session(options);
    ASSERT_TRUE(session.Start());
    QDir::setCurrent(previous);
    EXPECT_EQ(session.window()->inputs().Paths(),
              (std::vector<std::string>{dir / "song.wav", dir / "album/cd1/a.mp3"}));
}

// SIGTERM and SIGINT close the converter as Exit does, also while SDL's device
// is open (its own handlers would swallow them): the settings are saved and
// the scratch file's lock is gone. A portable copy writes its desktop
// launcher. wavshift ends as cleanly.
TEST(Startup, SignalsEndTheProgramsAsClosingTheirWindowsDoes) {
    // Prints the exit status; a program still running after 60 s is killed.
    constexpr const char* kEndWithin60s =
        " for i in $(seq 600); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done;"
        " kill -KILL $pid 2>/dev/null; wait $pid; echo $?; ";
    for (const char* signal : {"TERM", "INT"}) {
        testing_support::TempDir dir;
        const std::string script =
            "cd " + dir.path() +
            " && mkdir -p home/Desktop && cp " SONAVERT_BIN " " TONEKIT_SO
            " . || exit 1; env --default-signal HOME=$PWD/home QT_QPA_PLATFORM=offscreen "
            "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$PWD/played.raw ./sonavert 2>/dev/null & "
            "pid=$!; "
            "for i in $(seq 600); do [ -e played.raw ] && break; sleep 0.1; done; kill -" +
            std::string(signal) + " $pid;" + kEndWithin60s + "ls " + dir.path() + " home/Desktop";
        std::string out;
        testing_support::RunCommand(script, &out);
        EXPECT_EQ(
            out, "0\n" + dir.path() +
                     ":\nhome\nlibtonekit.so\nplayed.raw\nsettings.dat\nsonavert\n\nhome/Desktop:\n"
                     "Sonavert.desktop\n")
            << signal;
    }
    std::string out;
    testing_support::RunCommand(
        "QT_QPA_PLATFORM=offscreen " WAVSHIFT_BIN
        " 2>/dev/null & pid=$!; for i in $(seq 600); do "
        "[ $(( 0x$(awk '/SigCgt/ {print $2}' /proc/$pid/status) & 16384 )) -ne 0 ] && break; "
        "sleep 0.1; "
        "done; kill -TERM $pid;" +
            std::string(kEndWithin60s),
        &out);
    EXPECT_EQ(out, "0\n");
}

}  // namespace
