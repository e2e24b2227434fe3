// What both programs do before and while they bind the library: check for a
// display, leave quietly when Qt cannot reach it, report a failed binding, and
// turn SIGINT, SIGTERM and SIGHUP into an orderly close of the window.
// Header-only, like dialog_items.h.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

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

// A self-pipe: the handler only writes the signal's number; the window's
// thread reads it through a socket notifier.
inline int g_signalPipe[2] = {-1, -1};

inline void WriteSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace start_detail

// Catches SIGINT, SIGTERM and SIGHUP from now on, unless the program was
// started with them ignored; call it before anything else (SDL) installs
// handlers of its own. A signal that arrives before the window exists waits
// in the pipe. A second one of the same kind ends the program at once.
inline void CatchQuitSignals() {
    if (pipe2(start_detail::g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = start_detail::WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction inherited {};
        sigaction(signal, nullptr, &inherited);
        // One ignored from the start stays ignored (nohup, a background job).
        if (inherited.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
    }
}

// Runs `quit` on the window's thread once a caught signal arrived (nothing
// when CatchQuitSignals was not called, as in tests).
inline void OnQuitSignal(QObject* owner, std::function<void()> quit) {
    const int fd = start_detail::g_signalPipe[0];
    if (fd < 0) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [fd, quit = std::move(quit)] {
        unsigned char drained[16];
        while (read(fd, drained, sizeof drained) > 0) {
        }
        quit();
    });
}

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
