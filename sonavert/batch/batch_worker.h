// One conversion in a worker process of its own: the library's reader and
// WAV slots are process-wide, so each running conversion gets a process, a
// scratch file and a pipe to report on.
#pragma once

#include <string>
#include <vector>

#include "batch_plan.h"
#include "tonekit_binding.h"

namespace sonavert::batch {

struct WorkerSettings {
    int format = 0;
    int32_t bitrate = 128;
    bool verify = true;
    std::string scratchFile;  // the preferred scratch name; the worker claims its own
};

// A worker reads job numbers (indexes into the plan), one per line, from its
// command pipe and converts them one at a time until the pipe closes. For
// each it writes on its report pipe "p <phase> <percent>" while it works
// (phase 0 decoding, 1 encoding), then "r 1" or "r 0 <reason>". One worker
// serves many jobs, so the codecs are loaded once per worker.
enum Phase { kDecoding = 0, kEncoding = 1 };

// The worker's life; returns its exit status. A job met once StopRequested()
// holds is reported as interrupted without being started, and a running one
// stops early, leaving nothing behind.
int RunWorker(const Tonekit& tk, const std::vector<PlannedJob>& plan,
              const WorkerSettings& settings, int commandFd, int reportFd);

// Set from the signal handler of SIGINT and SIGTERM, in the coordinator and
// in each worker.
void RequestStop();
bool StopRequested();

}  // namespace sonavert::batch
