#include "conversion_queue.h"

#include <algorithm>
#include <chrono>

#include "conversion_steps.h"
#include "message_pump.h"

namespace sonavert {
namespace {

constexpr char kScsiFailure[] =
    "Cannot Read From The CD Drive\n\nYour CD Drive may be incompatible\n\nCheck that your user "
    "may read the CD drive (group cdrom)\n\nAlso, try updating your system from "
    "https://www.debian.org/";

// The run that the library's progress callback reports to, set for the
// run's length.
QueueView* g_view = nullptr;
Converter* g_converter = nullptr;

struct ReportingRun {
    ReportingRun(QueueView& view, Converter& converter) {
        g_view = &view;
        g_converter = &converter;
    }
    ~ReportingRun() {
        g_view = nullptr;
        g_converter = nullptr;
    }
    ReportingRun(const ReportingRun&) = delete;
    ReportingRun& operator=(const ReportingRun&) = delete;
};

QueueTimings g_timings;

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int32_t ConversionProgress(int32_t percent) {
    const double started = NowMs();
    PumpMessages();
    g_timings.pumpMs += NowMs() - started;
    if (g_view) g_view->SetProgress(percent);
    return g_converter && g_converter->flags.stopRequested ? -1 : 0;
}

}  // namespace

QueueTimings LastRunTimings() {
    return g_timings;
}

ConversionQueue::ConversionQueue(Converter& converter, QueueView& view)
    : c_(converter), view_(view) {}

void ConversionQueue::RequestStop() {
    if (c_.flags.running) c_.flags.stopRequested = true;
}

void ConversionQueue::ConvertAll() {
    if (c_.flags.running) return;
    c_.flags.running = true;
    c_.flags.stopRequested = false;
    g_timings = {};
    const ReportingRun reporting(view_, c_);
    view_.ShowRunning(true);
    c_.tk.CloseWMA(0);  // reader slot 0 is shared with the preview
    for (int row = 0; row < view_.InputCount(); ++row) {
        if (c_.flags.stopRequested) break;
        view_.SelectRow(row);
        view_.SetRowStatus(row, "wait...");
        const Outcome outcome = ConvertOne(row);
        if (outcome == Outcome::StoppedBeforeEncode) break;  // the row keeps "wait..."
        if (outcome == Outcome::Skipped) continue;
        view_.SetRowStatus(row, outcome == Outcome::Done      ? "done."
                                : outcome == Outcome::Stopped ? "stopped."
                                                              : "failed.");
        if (outcome != Outcome::Failed) view_.RefreshOutputs();
        if (outcome == Outcome::Stopped) break;
    }
    view_.SelectRow(-1);
    c_.flags.running = false;
    view_.ShowRunning(false);
    view_.SetProgress(0);
    view_.SetStatus(" Idle");
}

ConversionQueue::Outcome ConversionQueue::ConvertOne(int row) {
    ConversionJob job;
    job.input = view_.InputPath(row);
    job.type = MediaTypeOf(job.input);
    if (job.type != kCdTrack) {
        if (ProbeDurationText(c_.tk, job.input).empty()) return Outcome::Skipped;
        job.declaredDuration = DeclaredDuration(c_.tk, job.input);
    }
    job.format = std::clamp(c_.settings.formatIndex, 0, 2);
    job.output = c_.settings.outputFolder + TitleOf(job.input) + kMediaExtensions[job.format];
    job.replaceOutput = true;  // an existing output is replaced, the input itself too
    job.keepStoppedOutput = true;

    const std::string title = view_.InputTitle(row);
    double phaseStart = NowMs();
    StepHooks hooks;
    hooks.progress = ConversionProgress;
    hooks.stopRequested = [this] { return c_.flags.stopRequested; };
    hooks.ripFailed = [this] { view_.Warn("SCSI FAILURE", kScsiFailure); };
    // The bitrate is read when the encode starts, so a change from the menu
    // applies from there on.
    hooks.bitrateNow = [this] { return c_.settings.bitrate; };
    hooks.phaseStarted = [&](Phase phase) {
        static constexpr const char* kEncoding[] = {" Encoding to MP3 ...", " Encoding to WMA ...",
                                                    " Encoding to WAV ... "};
        if (phase == Phase::kEncoding) {
            view_.SetProgress(0);
            g_timings.decodeMs += NowMs() - phaseStart;
            phaseStart = NowMs();
        }
        view_.SetStatus(phase == Phase::kEncoding ? kEncoding[job.format] + title
                        : job.type == kCdTrack    ? " Ripping CD Audio ... " + title
                                                  : " Preparing to Convert ... " + title);
    };
    const ConversionResult result = ConvertFile(c_.tk, job, c_.paths.scratchFile, hooks);
    (result.status == ConversionResult::Status::kStoppedBeforeEncode ? g_timings.decodeMs
                                                                     : g_timings.encodeMs) +=
        NowMs() - phaseStart;
    view_.SetProgress(0);
    switch (result.status) {
        case ConversionResult::Status::kDone:
            return Outcome::Done;
        case ConversionResult::Status::kStopped:
            return Outcome::Stopped;
        case ConversionResult::Status::kStoppedBeforeEncode:
            return Outcome::StoppedBeforeEncode;
        case ConversionResult::Status::kFailed:
            break;
    }
    return Outcome::Failed;
}

}  // namespace sonavert
