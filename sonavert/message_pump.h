// The message pump that long operations call to keep the windows alive.
#pragma once

#include <cstdint>

namespace sonavert {

// Handles every waiting event; returns 1 once the program is quitting, else 0.
int PumpMessages();

// Makes PumpMessages return 1 from now on (the main window was destroyed).
void PostQuit();
void ResetQuit();

// How often the pump ran and the longest time between two runs while
// counting, for the benchmarks.
struct PumpStatistics {
    uint64_t calls = 0;
    double longestGapMs = 0;
};
void StartPumpStatistics();
PumpStatistics PumpStatisticsSoFar();

}  // namespace sonavert
