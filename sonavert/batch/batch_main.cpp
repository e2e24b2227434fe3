#include "batch_main.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "after_conversion.h"
#include "album_gain.h"
#include "batch_options.h"
#include "batch_plan.h"
#include "batch_run.h"
#include "batch_worker.h"
#include "converter.h"
#include "encode_module.h"
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

constexpr const char* kDescribedFormats[] = {"mp3", "wma", "wav"};

struct Choices {
    PlanSettings plan;
    std::string format;  // by name
    int32_t bitrate = 128;
    std::string cacheFolder;
};

// Options that only some formats take.
std::string FormatMismatch(const BatchOptions& o, const std::string& format) {
    if (o.quality >= 0 && format != "mp3") return "--quality applies to mp3 only";
    if ((o.rate || o.channels) && (format == "wma" || format == "wav"))
        return "--rate and --channels apply to mp3, flac, opus, ogg and m4a";
    return "";
}

// The saved settings, overridden by the options for this run only.
bool Choose(const BatchOptions& o, Choices& c, std::string& error) {
    const ProgramPaths paths = FindProgramPaths(tonekit::util::ProgramFolder(),
                                                [](const char* name) { return std::getenv(name); });
    const Settings saved = LoadSettings(paths.settingsFile, paths.defaults);
    c.format = o.format.empty() ? kDescribedFormats[std::clamp(saved.formatIndex, 0, 2)] : o.format;
    for (int i = 0; i < 3; ++i)
        if (c.format == kDescribedFormats[i]) c.plan.format = i;
    c.plan.extension = "." + c.format;
    if (!(error = FormatMismatch(o, c.format)).empty()) return false;
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

// FLAC, Opus, Ogg, M4A and MP3 go through FFmpeg's encoders (MP3 then
// carries its delay and padding, and a single long one is encoded in parts
// on every core); the module is loaded here, before the workers fork, so they
// share it. Plain MP3 falls back to the library's encoder without it.
bool ChooseEncoders(const BatchOptions& o, const Choices& c, const std::vector<PlannedJob>& plan,
                    RunSettings& run) {
    const bool needed = encode::OnlyThroughEncoders(c.format) || o.quality >= 0 || o.rate ||
                        o.channels || !o.replaygain.empty();
    if (!needed && c.format != "mp3") return true;
    std::string why;
    if (!encode::LoadEncodeModule(&why)) {
        std::fprintf(stderr, "sonavert: the encoders cannot be loaded: %s\n", why.c_str());
        return !needed;
    }
    WorkerSettings& worker = run.worker;
    worker.throughEncoders = c.format != "wma" && c.format != "wav";
    worker.encoder.format = c.format;
    worker.encoder.bitrate = c.bitrate;
    worker.encoder.quality = o.quality;
    worker.encoder.rate = o.rate;
    worker.encoder.channels = o.channels;
    worker.measureLoudness = !o.replaygain.empty();
    const auto converts = std::count_if(plan.begin(), plan.end(), Converts);
    if (converts == 1 && c.format == "mp3" && o.quality < 0) worker.parts = run.jobs;
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
    auto plan = BuildPlan(library.api(), o.inputs, choices.plan);
    if (o.dryRun) {
        PrintPlan(plan, stdout);
        return 0;
    }
    MakeOutputFolders(plan);
    if (o.verbose) PrintPlan(plan, stderr);
    CatchStopSignals();
    RunSettings run;
    run.worker.format = choices.plan.format;
    run.worker.bitrate = choices.bitrate;
    run.worker.verify = o.verify;
    run.scratchParent = choices.cacheFolder;
    run.jobs = o.jobs > 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    if (!ChooseEncoders(o, choices, plan, run)) return 1;
    run.quiet = o.quiet;
    run.terminal = isatty(STDERR_FILENO) != 0;
    run.verbose = o.verbose;
    run.finished = AfterConversion(plan, o.keepTime, o.deleteSource);
    std::vector<std::string> loudness(plan.size());
    run.measured = [&](size_t job, const std::string& text) { loudness[job] = text; };
    auto outcomes = RunPlan(library.api(), plan, run);
    if (o.replaygain == "album" && !StopRequested())
        WriteAlbumGains(plan, loudness, outcomes, choices.format);
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
