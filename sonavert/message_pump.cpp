#include "message_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace sonavert {
namespace {

bool g_quit = false;
PumpStatistics g_statistics;
QElapsedTimer g_sinceLastPump;

}  // namespace

int PumpMessages() {
    if (g_sinceLastPump.isValid()) {
        g_statistics.longestGapMs =
            std::max(g_statistics.longestGapMs, g_sinceLastPump.nsecsElapsed() / 1e6);
        g_sinceLastPump.restart();
    }
    ++g_statistics.calls;
    QCoreApplication::processEvents();
    return g_quit ? 1 : 0;
}

void PostQuit() {
    g_quit = true;
    QCoreApplication::quit();
}

void ResetQuit() {
    g_quit = false;
}

void StartPumpStatistics() {
    g_statistics = {};
    g_sinceLastPump.start();
}

PumpStatistics PumpStatisticsSoFar() {
    return g_statistics;
}

}  // namespace sonavert
