// Starting the converter: a library that cannot be bound, and no display.
#include <gtest/gtest.h>
#include <QMessageBox>

#include <cstdio>

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

}  // namespace
