// sonavert: the converter. Start-up and shutdown run in ConverterSession.
#include <QApplication>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "converter_session.h"
#include "main_window.h"

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// True when Qt has somewhere to show the window: a platform other than the
// desktop ones was asked for, or an X or Wayland display is named.
bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool desktopPlatform = !platform || !*platform || std::strncmp(platform, "xcb", 3) == 0 ||
                                 std::strncmp(platform, "wayland", 7) == 0;
    return !desktopPlatform || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

// A display that is named but cannot be reached ends Qt with a fatal message;
// the program then leaves with one line, naming Qt's first complaint, instead
// of a core dump.
QString g_firstComplaint;

void QuietFatal(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (g_firstComplaint.isEmpty()) g_firstComplaint = message.section('\n', 0, 0);
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "sonavert: cannot open the display (%s)\n",
                 g_firstComplaint.toLocal8Bit().constData());
    _exit(1);
}

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr, "sonavert: no display to show the window on (DISPLAY is not set)\n");
        return 1;
    }
    // `--measure-startup`: print the monotonic clock once the window shows
    // and leave at once (for the start-up benchmark).
    const bool measureStartup = argc > 1 && std::strcmp(argv[1], "--measure-startup") == 0;
    qInstallMessageHandler(QuietFatal);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);

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
