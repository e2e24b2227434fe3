// What both programs do before and while they bind the library: check for a
// display, leave quietly when Qt cannot reach it, and report a failed binding.
// Header-only, like dialog_items.h.
#pragma once

#include <QApplication>
#include <QMessageBox>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace tonekit::ui {

namespace start_detail {

inline bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

inline const char* g_program = "";
inline QString g_firstComplaint;

// A display that is named but cannot be reached ends Qt with a fatal message;
// the program then leaves with one line, naming Qt's first complaint, instead
// of a core dump.
inline void QuietFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (g_firstComplaint.isEmpty()) g_firstComplaint = message.section('\n', 0, 0);
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "%s: cannot open the display (%s)\n", g_program,
                 g_firstComplaint.toLocal8Bit().constData());
    _exit(1);
}

}  // namespace start_detail

// True when Qt has somewhere to show a window: a platform other than the
// desktop ones was asked for, or an X or Wayland display is named. Otherwise
// says so on stderr.
inline bool HasDisplay(const char* program) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool desktopPlatform = !platform || !*platform || std::strncmp(platform, "xcb", 3) == 0 ||
                                 std::strncmp(platform, "wayland", 7) == 0;
    if (!desktopPlatform || start_detail::IsSet("DISPLAY") ||
        start_detail::IsSet("WAYLAND_DISPLAY"))
        return true;
    std::fprintf(stderr, "%s: no display to show the window on (DISPLAY is not set)\n", program);
    return false;
}

// Creates the application; a display that cannot be reached ends the program
// with one line on stderr.
inline void StartApplication(const char* program, int& argc, char** argv,
                             std::unique_ptr<QApplication>& app) {
    start_detail::g_program = program;
    qInstallMessageHandler(start_detail::QuietFatal);
    app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(nullptr);
}

// The library could not be bound: one line on stderr and an "ERROR" box.
inline void ReportBindingFailure(const char* program, const std::string& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    QMessageBox box(QMessageBox::Critical, "ERROR", QString::fromStdString(error), QMessageBox::Ok);
    box.exec();
}

}  // namespace tonekit::ui
