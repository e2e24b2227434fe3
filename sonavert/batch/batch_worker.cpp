#include "batch_worker.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "conversion_steps.h"
#include "converter.h"
#include "scratch_file.h"

namespace sonavert::batch {
namespace {

volatile std::sig_atomic_t g_stop = 0;
int g_reportFd = -1;
int g_phase = 0;
int g_lastPercent = -1;

void OnStopSignal(int) {
    g_stop = 1;
}

// Writes a whole line, however long (a loudness measurement passes the
// pipe's atomic size).
void Report(const std::string& line) {
    const std::string text = line + "\n";
    for (size_t done = 0; g_reportFd >= 0 && done < text.size();) {
        const ssize_t n = write(g_reportFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

int32_t WorkerProgress(int32_t percent) {
    if (percent >= 0 && percent != g_lastPercent) {
        g_lastPercent = percent;
        Report("p " + std::to_string(g_phase) + " " + std::to_string(percent));
    }
    return g_stop ? -1 : 0;
}

void StartPhase(Phase phase) {
    g_phase = static_cast<int>(phase);
    g_lastPercent = -1;
    WorkerProgress(0);
}

ConversionJob JobFor(const PlannedJob& planned, const WorkerSettings& settings) {
    ConversionJob job;
    job.input = planned.input;
    job.type = MediaTypeOf(planned.input);
    job.output = planned.output;
    job.format = settings.format;
    job.bitrate = settings.bitrate;
    job.declaredDuration = planned.duration;
    job.replaceOutput = planned.action == Action::kOverwrite;
    job.verify = settings.verify;
    if (planned.cueTrack) {
        job.segmentStart = planned.segmentStart;
        job.segmentEnd = planned.segmentEnd;
    }
    job.tags = planned.tags;
    job.throughEncoders = settings.throughEncoders;
    job.encoder = settings.encoder;
    job.parts = settings.parts;
    job.measureLoudness = settings.measureLoudness;
    return job;
}

std::string Convert(const Tonekit& tk, const PlannedJob& planned, const WorkerSettings& settings) {
    StepHooks hooks;
    hooks.progress = WorkerProgress;
    hooks.stopRequested = [] { return g_stop != 0; };
    hooks.phaseStarted = StartPhase;
    hooks.temporaryCreated = [](const std::string& path) { Report("t " + path); };
    hooks.measured = [](const std::string& loudness) { Report("g " + loudness); };
    const ConversionResult result =
        ConvertFile(tk, JobFor(planned, settings), settings.scratchFolder + "temp.wav", hooks);
    return result.Done() ? "" : result.reason;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a closed pipe is an error, not the end
}

void RequestStop() {
    g_stop = 1;
}

bool StopRequested() {
    return g_stop != 0;
}

int RunWorker(const Tonekit& tk, const std::vector<PlannedJob>& plan,
              const WorkerSettings& settings, int commandFd, int reportFd, pid_t coordinator) {
    g_reportFd = reportFd;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != coordinator) g_stop = 1;  // it died before the request
    const std::unique_ptr<FILE, FileCloser> commands(fdopen(commandFd, "r"));
    char line[32];
    while (commands && !g_stop) {
        errno = 0;
        if (!std::fgets(line, sizeof line, commands.get())) {
            if (errno == EINTR) {
                std::clearerr(commands.get());
                continue;
            }
            break;  // the coordinator has no more work
        }
        const size_t index = std::strtoul(line, nullptr, 10);
        if (index >= plan.size()) break;
        const std::string problem = Convert(tk, plan[index], settings);
        Report(problem.empty() ? "r 1" : "r 0 " + problem);
    }
    RemovePrivateFolder(settings.scratchFolder);
    return 0;
}

}  // namespace sonavert::batch
