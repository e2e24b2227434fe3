#include "batch_main.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "batch_options.h"
#include "batch_plan.h"
#include "batch_run.h"
#include "batch_worker.h"
#include "program_paths.h"
#include "settings.h"
#include "util/dynamic_library.h"
#include "util/regular_file.h"

namespace sonavert::batch {
namespace {

constexpr int kUsage = 2;
constexpr int kInterrupted = 130;

int UsageError(const std::string& error) {
    std::fprintf(stderr, "sonavert: %s\nTry 'sonavert --help'.\n", error.c_str());
    return kUsage;
}

struct Choices {
    PlanSettings plan;
    int32_t bitrate = 128;
    std::string cacheFolder;
};

// The saved settings, overridden by the options for this run only.
bool Choose(const BatchOptions& o, Choices& c, std::string& error) {
    const ProgramPaths paths = FindProgramPaths(tonekit::util::ProgramFolder(),
                                                [](const char* name) { return std::getenv(name); });
    const Settings saved = LoadSettings(paths.settingsFile, paths.defaults);
    c.plan.format = o.format.value_or(std::clamp(saved.formatIndex, 0, 2));
    c.plan.outputFolder = o.outputFolder.value_or(saved.outputFolder);
    c.plan.recursive = o.recursive;
    c.plan.onExists = o.onExists;
    c.bitrate = o.bitrate.value_or(saved.bitrate);
    c.cacheFolder = paths.cacheFolder;
    const char* folder = c.plan.outputFolder.c_str();
    if (!tonekit::util::IsFolder(folder)) {
        error = "the output folder " + c.plan.outputFolder + " does not exist";
        return false;
    }
    if (access(folder, W_OK | X_OK) != 0) {
        error = "the output folder " + c.plan.outputFolder + " cannot be written (" +
                std::strerror(errno) + ")";
        return false;
    }
    return true;
}

int Convert(const BatchOptions& o, const std::string& libraryPath) {
    Choices choices;
    std::string error;
    if (!Choose(o, choices, error)) return UsageError(error);
    TonekitLibrary library;
    if (!library.Load(libraryPath, error)) {
        std::fprintf(stderr, "sonavert: %s\n", error.c_str());
        return 1;
    }
    const auto plan = BuildPlan(library.api(), o.inputs, choices.plan);
    if (o.dryRun) {
        PrintPlan(plan, stdout);
        return 0;
    }
    CatchStopSignals();
    RunSettings run;
    run.worker = {choices.plan.format, choices.bitrate, o.verify, ""};
    run.scratchParent = choices.cacheFolder;
    run.jobs = o.jobs > 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    run.quiet = o.quiet;
    run.terminal = isatty(STDERR_FILENO) != 0;
    const auto outcomes = RunPlan(library.api(), plan, run);
    PrintSummary(plan, outcomes, stdout);
    if (StopRequested()) return kInterrupted;
    for (const auto& outcome : outcomes)
        if (outcome.result == JobOutcome::Result::kFailed) return 1;
    return 0;
}

}  // namespace

int RunBatchCommand(const std::vector<std::string>& arguments, const std::string& libraryPath) {
    const ParsedCommand parsed = ParseBatchCommand(arguments);
    switch (parsed.command) {
        case Command::kHelp:
            std::fputs(BatchHelp(), stdout);
            return 0;
        case Command::kVersion:
            std::puts("sonavert 1.0");
            return 0;
        case Command::kUsageError:
            return UsageError(parsed.error);
        case Command::kConvert:
            break;
    }
    return Convert(parsed.options, libraryPath);
}

}  // namespace sonavert::batch
