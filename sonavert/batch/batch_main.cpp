#include "batch_main.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "after_conversion.h"
#include "batch_options.h"
#include "batch_plan.h"
#include "batch_run.h"
#include "batch_worker.h"
#include "converter.h"
#include "output_tree.h"
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

// The formats the conversion steps make today; the others are refused
// rather than made wrongly.
int FormatIndex(const std::string& format) {
    const char* formats[] = {"mp3", "wma", "wav"};
    for (int i = 0; i < 3; ++i)
        if (format == formats[i]) return i;
    return -1;
}

std::string Unavailable(const BatchOptions& o, int format) {
    if (format < 0) return "--to " + o.format + " is not available in this build";
    if (o.quality >= 0 || o.rate || o.channels || !o.replaygain.empty())
        return "--quality, --rate, --channels and --replaygain are not available in this build";
    return "";
}

// The saved settings, overridden by the options for this run only.
bool Choose(const BatchOptions& o, Choices& c, std::string& error) {
    const ProgramPaths paths = FindProgramPaths(tonekit::util::ProgramFolder(),
                                                [](const char* name) { return std::getenv(name); });
    const Settings saved = LoadSettings(paths.settingsFile, paths.defaults);
    const char* saveable[] = {"mp3", "wma", "wav"};
    const std::string format =
        o.format.empty() ? saveable[std::clamp(saved.formatIndex, 0, 2)] : o.format;
    c.plan.format = FormatIndex(format);
    if (error = Unavailable(o, c.plan.format); !error.empty()) return false;
    c.plan.extension = "." + format;
    c.plan.outputFolder = o.outputFolder.value_or(saved.outputFolder);
    c.plan.recursive = o.recursive;
    c.plan.flat = o.flat;
    c.plan.nameTemplate = o.nameTemplate;
    c.plan.onExists = o.onExists;
    c.plan.shard = o.shard;
    c.bitrate = o.bitrate.value_or(saved.bitrate);
    c.cacheFolder = paths.cacheFolder;
    const char* folder = c.plan.outputFolder.c_str();
    // A missing output folder is made, as `mkdir -p` would; a dry run makes nothing.
    if (!tonekit::util::IsFolder(folder)) {
        if (o.dryRun) return true;
        if (!MakeFolders(folder, error)) return false;
    }
    if (access(folder, W_OK | X_OK) != 0) {
        error = "the output folder " + c.plan.outputFolder + " cannot be written (" +
                std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool Converts(const PlannedJob& job) {
    return job.action == Action::kConvert || job.action == Action::kOverwrite ||
           job.action == Action::kRename;
}

// Makes the folders the outputs go to; a job whose folder cannot be made fails.
void MakeOutputFolders(std::vector<PlannedJob>& plan) {
    for (auto& job : plan) {
        std::string error;
        if (Converts(job) && !MakeFolders(FolderOf(job.output), error)) {
            job.action = Action::kUnusable;
            job.reason = error;
        }
    }
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
    auto plan = BuildPlan(library.api(), o.inputs, choices.plan);
    if (o.dryRun) {
        PrintPlan(plan, stdout);
        return 0;
    }
    MakeOutputFolders(plan);
    if (o.verbose) PrintPlan(plan, stderr);
    CatchStopSignals();
    RunSettings run;
    run.worker = {choices.plan.format, choices.bitrate, o.verify, ""};
    run.scratchParent = choices.cacheFolder;
    run.jobs = o.jobs > 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    run.quiet = o.quiet;
    run.terminal = isatty(STDERR_FILENO) != 0;
    run.verbose = o.verbose;
    run.finished = AfterConversion(plan, o.keepTime, o.deleteSource);
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
