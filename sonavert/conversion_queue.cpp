#include "conversion_queue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "conversion_steps.h"
#include "media_tags.h"
#include "message_pump.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr char kScsiFailure[] =
    "Cannot Read From The CD Drive\n\nYour CD Drive may be incompatible\n\nCheck that your user "
    "may read the CD drive (group cdrom)\n\nAlso, try updating your system from "
    "https://www.debian.org/";

// The run that the library's progress callback reports to.
ConversionQueue* g_running = nullptr;
QueueView* g_view = nullptr;
Converter* g_converter = nullptr;

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

void Remove(const std::string& path) {
    tonekit::util::RemoveRegularFile(path.c_str());
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
    g_running = this;
    g_view = &view_;
    g_converter = &c_;
    view_.ShowRunning(true);
    c_.tk.CloseWMA(0);  // reader slot 0 is shared with the preview
    for (int row = 0; row < view_.InputCount(); ++row) {
        if (c_.flags.stopRequested) break;
        view_.SelectRow(row);
        view_.SetRowStatus(row, "wait...");
        const Outcome outcome = ConvertOne(row);
        Remove(c_.paths.scratchFile);
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
    g_running = nullptr;
    view_.ShowRunning(false);
    view_.SetProgress(0);
    view_.SetStatus(" Idle");
}

ConversionQueue::Outcome ConversionQueue::ConvertOne(int row) {
    const std::string path = view_.InputPath(row);
    const std::string title = view_.InputTitle(row);
    const int type = MediaTypeOf(path);
    if (type != kCdTrack && ProbeDurationText(c_.tk, path).empty()) return Outcome::Skipped;
    const int format = std::clamp(c_.settings.formatIndex, 0, 2);
    const std::string output = c_.settings.outputFolder + TitleOf(path) + kMediaExtensions[format];
    Remove(c_.paths.scratchFile);

    const double decodeStart = NowMs();
    const bool decoded = Decode(type, path, title);
    g_timings.decodeMs += NowMs() - decodeStart;
    if (c_.flags.stopRequested) return Outcome::StoppedBeforeEncode;
    // A decode that failed, or left no audio, gives nothing to encode.
    if (!decoded) return Outcome::Failed;

    // The output is written under a temporary name and takes its own name
    // only when complete, so a failed encode never costs an existing file.
    const std::string temporary = TemporaryFor(output);
    Remove(temporary);
    const double encodeStart = NowMs();
    const bool encoded = Encode(format, temporary, title);
    g_timings.encodeMs += NowMs() - encodeStart;
    const bool stopped = c_.flags.stopRequested;
    // The input's tags and cover go with it; an output that cannot take them
    // is still a good conversion.
    if (encoded && !stopped) WriteMediaTags(temporary, format, ReadMediaTags(path));
    const bool replacesInput = tonekit::util::SameFile(path.c_str(), output.c_str());
    if (!encoded || (stopped && replacesInput) ||
        std::rename(temporary.c_str(), output.c_str()) != 0) {
        Remove(temporary);
        return stopped ? Outcome::Stopped : Outcome::Failed;
    }
    return stopped ? Outcome::Stopped : Outcome::Done;
}

StepHooks ConversionQueue::Hooks() {
    StepHooks hooks;
    hooks.progress = ConversionProgress;
    hooks.stopRequested = [this] { return c_.flags.stopRequested; };
    hooks.ripFailed = [this] { view_.Warn("SCSI FAILURE", kScsiFailure); };
    return hooks;
}

bool ConversionQueue::Decode(int type, const std::string& path, const std::string& title) {
    view_.SetStatus((type == kCdTrack ? " Ripping CD Audio ... " : " Preparing to Convert ... ") +
                    title);
    const bool decoded = DecodeToScratch(c_.tk, type, path, c_.paths.scratchFile, Hooks());
    view_.SetProgress(0);
    return decoded;
}

bool ConversionQueue::Encode(int format, const std::string& temporary, const std::string& title) {
    static constexpr const char* kEncoding[] = {" Encoding to MP3 ...", " Encoding to WMA ...",
                                                " Encoding to WAV ... "};
    view_.SetStatus(kEncoding[format] + title);
    // The bitrate is read now, so a change from the menu applies from here on.
    const bool encoded = EncodeFromScratch(c_.tk, format, c_.paths.scratchFile, temporary,
                                           c_.settings.bitrate, Hooks());
    view_.SetProgress(0);
    return encoded;
}

ScratchClaim ClaimScratchFile(const std::string& preferred) {
    const std::string stem = preferred.substr(0, preferred.size() - 4);  // without ".wav"
    for (int n = 0; n < 100; ++n) {
        const std::string candidate = n == 0 ? preferred : stem + "-" + std::to_string(n) + ".wav";
        const int lock = open((candidate + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock < 0) break;  // a folder without locks: the preferred name
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) return {candidate, lock};
        close(lock);
    }
    return {preferred, -1};
}

void ReleaseScratchFile(ScratchClaim& claim) {
    Remove(claim.path);
    if (claim.lock >= 0) {
        Remove(claim.path + ".lock");
        close(claim.lock);
    }
    claim.lock = -1;
}

}  // namespace sonavert
