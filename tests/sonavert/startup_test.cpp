// Starting the converter: a library that cannot be bound, no display, the
// command line, and the signals that end both programs.
#include "converter_fixture.h"

namespace sonavert_testing {
namespace {

std::string StartWith(const std::string& library) {
    sonavert::StartOptions options;
    options.libraryPath = library;
    options.exitPumpMs = 0;
    sonavert::ConverterSession session(options);
    return OkBoxText([&] { EXPECT_FALSE(session.Start()); });
}

TEST(Startup, AMissingExportOrLibraryIsNamedAndNothingStarts) {
    EXPECT_EQ(StartWith(STUB_TONEKIT_SO),
              "ERROR|libtonekit.so has no function CreateDesktopShortcut");
    EXPECT_EQ(StartWith("/nonexistent/libtonekit.so").rfind("ERROR|Cannot load libtonekit.so", 0),
              0u);
}

// Without a display only the command line is answered; --help, --version and
// the batch's own usage errors are checked through --convert.
TEST(Startup, WithoutADisplayOnlyTheCommandLineIsAnswered) {
    for (auto [arguments, status, output] :
         {std::tuple{"", 1, "sonavert: no display to show the window on (DISPLAY is not set)\n"},
          {"--bogus song.wav", 2, "sonavert: unknown option '--bogus'\n"}}) {
        std::string out;
        EXPECT_EQ(RunCommand(std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") +
                                 SONAVERT_BIN " " + arguments + " 2>&1",
                             &out),
                  status)
            << arguments;
        EXPECT_EQ(out.rfind(output, 0), 0u) << arguments << ": " << out;
    }
}

using StartupWindow = ConverterWindow;

TEST_F(StartupWindow, FilesAndFoldersGivenAtStartJoinTheInputList) {
    CopyMedia("two.wav", home_ + "song.wav");
    CopyMedia("one.mp3", home_ + "album/cd1/a.mp3");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(home_));
    inputs_ = {"song.wav", home_ + "album", home_ + "missing.mp3"};
    Restart();
    QDir::setCurrent(previous);
    EXPECT_EQ(InputPaths(),
              (std::vector<std::string>{home_ + "song.wav", home_ + "album/cd1/a.mp3"}));
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
        TempDir dir;
        const std::string script =
            "cd " + dir.path() +
            " && mkdir -p home/Desktop && cp " SONAVERT_BIN " " TONEKIT_SO
            " . || exit 1; env --default-signal HOME=$PWD/home QT_QPA_PLATFORM=offscreen "
            "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$PWD/played.raw ./sonavert 2>/dev/null & "
            "pid=$!; "
            "for i in $(seq 600); do [ -e played.raw ] && break; sleep 0.1; done; kill -" +
            std::string(signal) + " $pid;" + kEndWithin60s + "ls " + dir.path() + " home/Desktop";
        std::string out;
        RunCommand(script, &out);
        EXPECT_EQ(
            out, "0\n" + dir.path() +
                     ":\nhome\nlibtonekit.so\nplayed.raw\nsettings.dat\nsonavert\n\nhome/Desktop:\n"
                     "Sonavert.desktop\n")
            << signal;
    }
    std::string out;
    RunCommand(
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
}  // namespace sonavert_testing
