#include "batch_worker.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "conversion_queue.h"
#include "conversion_steps.h"
#include "media_tags.h"
#include "util/regular_file.h"

namespace sonavert::batch {
namespace {

volatile std::sig_atomic_t g_stop = 0;
int g_reportFd = -1;
int g_phase = kDecoding;
int g_lastPercent = -1;

// Seconds an output may differ from its input: 0.1 s, plus what the codec
// adds at the ends (two MP3 frames, two WMA blocks).
constexpr double kPaddingSeconds[] = {0.1 + 2 * 1152 / 44100.0, 0.1 + 2 * 2048 / 44100.0, 0.1};

void Report(const std::string& line) {
    const std::string text = line + "\n";
    if (g_reportFd >= 0) static_cast<void>(write(g_reportFd, text.data(), text.size()));
}

int32_t WorkerProgress(int32_t percent) {
    if (percent >= 0 && percent != g_lastPercent) {
        g_lastPercent = percent;
        Report("p " + std::to_string(g_phase) + " " + std::to_string(percent));
    }
    return g_stop ? -1 : 0;
}

void StartPhase(int phase) {
    g_phase = phase;
    g_lastPercent = -1;
    WorkerProgress(0);
}

double Seconds(uint64_t hundredNanoseconds) {
    return static_cast<double>(hundredNanoseconds) / 1e7;
}

std::string Fixed2(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Why the output at `path` is not a faithful copy of an input lasting
// `expected` seconds, or "" when it is.
std::string VerifyOutput(const Tonekit& tk, const std::string& path, int format, double expected) {
    const uint64_t duration = ProbeDuration(tk, path);
    if (duration == 0) return "the output cannot be read back";
    const double actual = Seconds(duration);
    if (std::fabs(actual - expected) > kPaddingSeconds[format])
        return "the output lasts " + Fixed2(actual) + " s, the input " + Fixed2(expected) + " s";
    return "";
}

class Conversion {
  public:
    Conversion(const Tonekit& tk, const PlannedJob& job, const WorkerSettings& settings)
        : tk_(tk), job_(job), settings_(settings), temporary_(TemporaryFor(job.output)) {
        scratch_ = ClaimScratchFile(settings.scratchFile);
    }
    ~Conversion() {
        tonekit::util::RemoveRegularFile(temporary_.c_str());
        ReleaseScratchFile(scratch_);
    }

    // "" when the output is in place, else why not.
    std::string Run() {
        StepHooks hooks;
        hooks.progress = WorkerProgress;
        hooks.stopRequested = [] { return g_stop != 0; };
        bool ripFailed = false;
        hooks.ripFailed = [&] { ripFailed = true; };
        StartPhase(kDecoding);
        const bool decoded =
            DecodeToScratch(tk_, MediaTypeOf(job_.input), job_.input, scratch_.path, hooks);
        if (g_stop) return "interrupted";
        if (!decoded)
            return ripFailed ? "the CD track cannot be read" : "the input cannot be decoded";
        const double expected = job_.duration ? Seconds(job_.duration) : ScratchSeconds();

        StartPhase(kEncoding);
        tonekit::util::RemoveRegularFile(temporary_.c_str());
        const bool encoded = EncodeFromScratch(tk_, settings_.format, scratch_.path, temporary_,
                                               settings_.bitrate, hooks);
        if (g_stop) return "interrupted";
        if (!encoded) return "the encoder failed";
        if (!WriteMediaTags(temporary_, settings_.format, ReadMediaTags(job_.input)))
            return "the tags cannot be written";
        if (settings_.verify) {
            const std::string problem = VerifyOutput(tk_, temporary_, settings_.format, expected);
            if (!problem.empty()) return problem;
        }
        return PutInPlace();
    }

  private:
    double ScratchSeconds() const {
        const int32_t bytes = tk_.FileSize(scratch_.path.c_str());
        return bytes > 44 ? (bytes - 44) / (4.0 * 44100) : 0;
    }

    std::string PutInPlace() {
        const bool replace = job_.action == Action::kOverwrite;
        const bool placed = replace ? std::rename(temporary_.c_str(), job_.output.c_str()) == 0
                                    : RenameWithoutReplacing(temporary_, job_.output);
        return placed
                   ? ""
                   : "the output cannot take its name (" + std::string(std::strerror(errno)) + ")";
    }

    const Tonekit& tk_;
    const PlannedJob& job_;
    const WorkerSettings& settings_;
    const std::string temporary_;
    ScratchClaim scratch_;
};

}  // namespace

void RequestStop() {
    g_stop = 1;
}

bool StopRequested() {
    return g_stop != 0;
}

int RunWorker(const Tonekit& tk, const std::vector<PlannedJob>& plan,
              const WorkerSettings& settings, int commandFd, int reportFd) {
    g_reportFd = reportFd;
    FILE* commands = fdopen(commandFd, "r");
    if (!commands) return 1;
    char line[32];
    for (;;) {
        errno = 0;
        if (!std::fgets(line, sizeof line, commands)) {
            if (errno == EINTR) {  // Ctrl+C while waiting: the next job is refused
                std::clearerr(commands);
                continue;
            }
            break;  // the coordinator has no more work
        }
        const size_t index = std::strtoul(line, nullptr, 10);
        if (index >= plan.size()) break;
        std::string problem = "interrupted";
        if (!g_stop) {
            Conversion conversion(tk, plan[index], settings);
            problem = conversion.Run();
        }
        Report(problem.empty() ? "r 1" : "r 0 " + problem);
    }
    std::fclose(commands);
    return 0;
}

}  // namespace sonavert::batch
