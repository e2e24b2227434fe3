// One conversion in a worker process of its own: the library's reader and
// WAV slots are process-wide, so each running conversion gets a process, a
// scratch file and a pipe to report on.
#pragma once

#include <string>

#include "batch_plan.h"
#include "tonekit_binding.h"

namespace sonavert::batch {

struct WorkerSettings {
    int format = 0;
    int32_t bitrate = 128;
    bool verify = true;
    std::string scratchFile;  // the preferred scratch name; the worker claims its own
};

// Lines a worker writes on its pipe: "p <phase> <percent>" while it works
// (phase 0 decoding, 1 encoding), then "r 1" or "r 0 <reason>".
enum Phase { kDecoding = 0, kEncoding = 1 };

// Converts `job` and reports on `reportFd`; returns the exit status of the
// worker (0 done, 1 failed). Stops early, leaving nothing behind, once
// StopRequested() holds.
int RunWorker(const Tonekit& tk, const PlannedJob& job, const WorkerSettings& settings,
              int reportFd);

// Set from the signal handler of SIGINT and SIGTERM, in the coordinator and
// in each worker.
void RequestStop();
bool StopRequested();

}  // namespace sonavert::batch
