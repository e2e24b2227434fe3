// The coordinator of a batch run: up to N worker processes, each converting
// one file at a time; their progress, and the summary.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "batch_plan.h"
#include "batch_worker.h"

namespace sonavert::batch {

struct JobOutcome {
    enum class Result { kDone, kFailed, kSkipped };
    Result result = Result::kSkipped;
    std::string reason;
};

struct RunSettings {
    WorkerSettings worker;
    std::string scratchParent;  // where each worker's private scratch folder is made
    int jobs = 1;
    bool quiet = false;
    bool terminal = false;  // progress redrawn in place (stderr is a terminal)
    bool verbose = false;   // each step of each job on a line of its own
    // Called as each job ends, before it is reported; may change its outcome
    // and add the steps it took for --verbose.
    std::function<void(size_t job, JobOutcome& outcome, std::vector<std::string>& steps)> finished;
    // Told a finished job's output measurement (--replaygain).
    std::function<void(size_t job, const std::string& loudness)> measured;
};

// Runs every job of `plan` that converts; returns one outcome per job.
std::vector<JobOutcome> RunPlan(const Tonekit& tk, const std::vector<PlannedJob>& plan,
                                const RunSettings& settings);

// The plan as --dry-run prints it.
void PrintPlan(const std::vector<PlannedJob>& plan, FILE* out);

// The table at the end: input, output, duration, result.
void PrintSummary(const std::vector<PlannedJob>& plan, const std::vector<JobOutcome>& outcomes,
                  FILE* out);

}  // namespace sonavert::batch
