#include "batch_run.h"

#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <deque>

#include "conversion_steps.h"
#include "converter.h"
#include "scratch_file.h"

namespace sonavert::batch {
namespace {

// Decoding is the lighter phase: it counts for this share of a job.
constexpr double kDecodeShare = 0.3;

double NowSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

std::string Clock(double seconds) {
    const long s = std::max(0L, static_cast<long>(seconds + 0.5));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// A job's weight in the overall progress: its length, or a minute when unknown.
double Weight(const PlannedJob& job) {
    return job.duration ? job.duration / 1e7 : 60.0;
}

bool Converts(const PlannedJob& job) {
    return job.action == Action::kConvert || job.action == Action::kOverwrite ||
           job.action == Action::kRename;
}

constexpr size_t kIdle = SIZE_MAX;

struct Worker {
    pid_t pid = -1;
    int commandFd = -1;
    int reportFd = -1;
    size_t job = kIdle;
    std::string pending;   // a report line not yet complete
    bool started = false;  // the job has reported since it was handed over
    std::string scratchFolder;
    std::string temporary;  // the job's temporary output, once made
    std::string loudness;   // its output's measurement, once reported
    int phase = 0;
    int percent = 0;

    double Fraction() const {
        return phase == 0 ? kDecodeShare * percent / 100.0
                          : kDecodeShare + (1 - kDecodeShare) * percent / 100.0;
    }
};

class Coordinator {
  public:
    Coordinator(const Tonekit& tk, const std::vector<PlannedJob>& plan, const RunSettings& s)
        : tk_(tk), plan_(plan), settings_(s), outcomes_(plan.size()) {
        for (size_t i = 0; i < plan.size(); ++i) {
            if (Converts(plan[i])) {
                pending_.push_back(i);
                total_ += Weight(plan[i]);
            } else if (plan[i].action == Action::kUnusable) {
                outcomes_[i] = {JobOutcome::Result::kFailed, plan[i].reason};
            } else {
                outcomes_[i] = {JobOutcome::Result::kSkipped, plan[i].reason};
            }
        }
    }

    std::vector<JobOutcome> Run() {
        started_ = NowSeconds();
        jobCount_ = pending_.size();
        const size_t count = std::min(pending_.size(), static_cast<size_t>(settings_.jobs));
        for (size_t i = 0; i < count; ++i) Spawn();
        for (;;) {
            if (StopRequested()) Interrupt();
            Assign();
            const bool busy = std::any_of(workers_.begin(), workers_.end(),
                                          [](const Worker& w) { return w.job != kIdle; });
            if (!busy && (pending_.empty() || StopRequested() || workers_.empty())) break;
            Wait();
            Show();
        }
        // No more work: the workers leave once their command pipes close.
        for (auto& w : workers_) close(w.commandFd);
        for (auto& w : workers_) Reap(w);
        workers_.clear();
        const char* unstarted = StopRequested() ? "interrupted" : "no worker could be started";
        for (const size_t job : pending_) outcomes_[job] = {JobOutcome::Result::kFailed, unstarted};
        ClearShown();
        return outcomes_;
    }

  private:
    void Spawn() {
        WorkerSettings worker = settings_.worker;
        worker.scratchFolder = MakePrivateFolder(settings_.scratchParent);
        if (worker.scratchFolder.empty()) return;
        int commands[2], reports[2];
        if (pipe2(commands, O_CLOEXEC) != 0) {
            RemovePrivateFolder(worker.scratchFolder);
            return;
        }
        if (pipe2(reports, O_CLOEXEC) != 0) {
            close(commands[0]);
            close(commands[1]);
            RemovePrivateFolder(worker.scratchFolder);
            return;
        }
        std::fflush(nullptr);
        const pid_t coordinator = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            for (const auto& w : workers_) {
                close(w.commandFd);
                close(w.reportFd);
            }
            close(commands[1]);
            close(reports[0]);
            _exit(RunWorker(tk_, plan_, worker, commands[0], reports[1], coordinator));
        }
        close(commands[0]);
        close(reports[1]);
        if (pid < 0) {
            close(commands[1]);
            close(reports[0]);
            RemovePrivateFolder(worker.scratchFolder);
            return;
        }
        Worker w;
        w.pid = pid;
        w.scratchFolder = worker.scratchFolder;
        w.commandFd = commands[1];
        w.reportFd = reports[0];
        workers_.push_back(std::move(w));
    }

    // Gives each idle worker the next job.
    void Assign() {
        for (auto& w : workers_) {
            if (w.job != kIdle || w.reportFd < 0 || w.commandFd < 0 || StopRequested() ||
                pending_.empty())
                continue;
            const size_t job = pending_.front();
            pending_.pop_front();
            const std::string line = std::to_string(job) + "\n";
            if (write(w.commandFd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
                // The worker is leaving (a signal ended it): the job waits
                // for its replacement.
                pending_.push_front(job);
                close(w.reportFd);
                w.reportFd = -1;
                continue;
            }
            w.job = job;
            w.started = false;
            w.temporary.clear();
            w.loudness.clear();
            w.phase = 0;
            w.percent = 0;
            if (!settings_.terminal && !settings_.quiet)
                Line("started  " + Label(plan_[job]) + " -> " + NameOf(plan_[job].output));
        }
    }

    void Interrupt() {
        if (interrupted_) return;
        interrupted_ = true;
        // The workers may not have had the signal (it was sent to this
        // process alone): they stop their jobs and leave.
        for (const auto& w : workers_) kill(w.pid, SIGTERM);
    }

    // Reads what the workers reported; a worker that died is replaced while
    // work remains.
    void Wait() {
        std::vector<pollfd> fds;
        for (const auto& w : workers_) fds.push_back({w.reportFd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 200) < 0) return;  // a signal: seen by the caller
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents) Read(workers_[i]);
        size_t died = 0;
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->reportFd >= 0) {
                ++it;
                continue;
            }
            close(it->commandFd);
            Reap(*it);
            it = workers_.erase(it);
            ++died;
        }
        for (; died > 0 && !StopRequested() && !pending_.empty(); --died) Spawn();
    }

    void Read(Worker& w) {
        char buffer[512];
        const ssize_t n = read(w.reportFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) return;
        if (n <= 0) {
            close(w.reportFd);
            w.reportFd = -1;
            return;
        }
        w.pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = w.pending.find('\n')) != std::string::npos;) {
            const std::string line = w.pending.substr(0, end);
            w.pending.erase(0, end + 1);
            if (line.rfind("p ", 0) == 0) {
                const int phase = w.phase;
                std::sscanf(line.c_str(), "p %d %d", &w.phase, &w.percent);
                if (settings_.verbose && w.job != kIdle && (!w.started || phase != w.phase))
                    Note((w.phase == 0 ? "decoding " : "encoding ") + Label(plan_[w.job]) +
                         (w.phase == 0 ? "" : " -> " + plan_[w.job].output));
                w.started = true;
            } else if (line.rfind("t ", 0) == 0) {
                w.temporary = line.substr(2);
            } else if (line.rfind("g ", 0) == 0) {
                w.loudness = line.substr(2);
            } else if (line.rfind("r ", 0) == 0 && w.job != kIdle) {
                const bool ok = line.size() >= 3 && line[2] == '1';
                Finished(w, {ok ? JobOutcome::Result::kDone : JobOutcome::Result::kFailed,
                             line.size() > 4 ? line.substr(4) : ""});
            }
        }
    }

    void Finished(Worker& w, JobOutcome outcome) {
        const size_t job = w.job;
        std::vector<std::string> steps;
        if (settings_.finished) settings_.finished(job, outcome, steps);
        outcomes_[job] = std::move(outcome);
        if (outcomes_[job].result == JobOutcome::Result::kDone && !w.loudness.empty() &&
            settings_.measured)
            settings_.measured(job, w.loudness);
        w.job = kIdle;
        if (settings_.verbose)
            for (const auto& step : steps) Note(step);
        finished_ += Weight(plan_[job]);
        ++done_;
        if (!settings_.terminal && !settings_.quiet) {
            const bool ok = outcomes_[job].result == JobOutcome::Result::kDone;
            Line((ok ? "done     " : "failed   ") + Label(plan_[job]) +
                 (ok ? "" : ": " + outcomes_[job].reason));
        }
    }

    // Waits for a worker that is leaving and removes what it may have left.
    // A job it left unfinished failed; one it never began goes to another.
    void Reap(Worker& w) {
        int status = 0;
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (w.reportFd >= 0) close(w.reportFd);
        RemovePrivateFolder(w.scratchFolder);
        if (w.job == kIdle) return;
        if (!w.temporary.empty()) unlink(w.temporary.c_str());
        if (!w.started && !StopRequested()) {
            pending_.push_front(w.job);
            w.job = kIdle;
            return;
        }
        Finished(w, {JobOutcome::Result::kFailed,
                     WIFSIGNALED(status)
                         ? std::string("the worker ended by ") + strsignal(WTERMSIG(status))
                         : "the worker ended without a report"});
    }

    // The overall line: a bar, jobs done, elapsed time and an estimate of
    // the rest from the rate so far.
    std::string Overall() const {
        double progress = finished_;
        for (const auto& w : workers_)
            if (w.job != kIdle) progress += Weight(plan_[w.job]) * w.Fraction();
        const double fraction = total_ > 0 ? std::min(1.0, progress / total_) : 1.0;
        const double elapsed = NowSeconds() - started_;
        std::string bar(30, '.');
        std::fill_n(bar.begin(), static_cast<size_t>(fraction * 30), '#');
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about a
        // text put in front of a temporary string.
        std::string line = "[";
        line.append(bar).append("] ").append(std::to_string(done_)).append("/");
        line.append(std::to_string(jobCount_)).append("  elapsed ").append(Clock(elapsed));
        line.append("  left ").append(fraction > 0.01 ? "~" : "");
        line.append(fraction > 0.01 ? Clock(elapsed / fraction - elapsed) : "?");
        return line;
    }

    // Redraws the progress lines, at most ten times a second.
    void Show() {
        if (settings_.quiet || !settings_.terminal) return;
        const double now = NowSeconds();
        if (now - lastShown_ < 0.1) return;
        lastShown_ = now;
        ClearShown();
        for (const auto& w : workers_) {
            if (w.job == kIdle) continue;
            static constexpr const char* kPhases[] = {"decoding", "encoding"};
            char head[32];
            std::snprintf(head, sizeof head, "  %3d%% %s  ", w.percent, kPhases[w.phase & 1]);
            Line(head + NameOf(Label(plan_[w.job])));
        }
        Line(Overall());
    }

    // A line that stays, above the progress lines.
    void Note(const std::string& text) {
        ClearShown();
        std::fprintf(stderr, "%s\n", text.c_str());
    }

    void Line(const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        if (settings_.terminal) ++shown_;
    }

    // Takes back the lines drawn last time, on a terminal.
    void ClearShown() {
        if (!settings_.terminal) return;
        for (; shown_ > 0; --shown_) std::fputs("\x1b[1A\x1b[2K", stderr);
        std::fflush(stderr);
    }

    const Tonekit& tk_;
    const std::vector<PlannedJob>& plan_;
    const RunSettings& settings_;
    std::vector<JobOutcome> outcomes_;
    std::deque<size_t> pending_;
    size_t jobCount_ = 0;
    std::vector<Worker> workers_;
    double total_ = 0, finished_ = 0, started_ = 0, lastShown_ = 0;
    size_t done_ = 0;
    int shown_ = 0;
    bool interrupted_ = false;
};

std::string DurationText(const PlannedJob& job) {
    return job.duration ? Clock(job.duration / 1e7) : "-";
}

}  // namespace

std::vector<JobOutcome> RunPlan(const Tonekit& tk, const std::vector<PlannedJob>& plan,
                                const RunSettings& settings) {
    return Coordinator(tk, plan, settings).Run();
}

void PrintPlan(const std::vector<PlannedJob>& plan, FILE* out) {
    for (const auto& job : plan) {
        std::fprintf(out, "%s -> %s  (%s%s%s)\n", Label(job).c_str(),
                     job.output.empty() ? "-" : job.output.c_str(), ActionName(job.action),
                     job.reason.empty() ? "" : ": ", job.reason.c_str());
    }
}

void PrintSummary(const std::vector<PlannedJob>& plan, const std::vector<JobOutcome>& outcomes,
                  FILE* out) {
    size_t inputWidth = 5, outputWidth = 6;
    for (const auto& job : plan) {
        inputWidth = std::max(inputWidth, Label(job).size());
        outputWidth = std::max(outputWidth, job.output.size());
    }
    const int iw = static_cast<int>(inputWidth), ow = static_cast<int>(outputWidth);
    std::fprintf(out, "%-*s  %-*s  %8s  %s\n", iw, "input", ow, "output", "duration", "result");
    for (size_t i = 0; i < plan.size(); ++i) {
        const JobOutcome& o = outcomes[i];
        const std::string result = o.result == JobOutcome::Result::kDone ? "done"
                                   : o.result == JobOutcome::Result::kFailed
                                       ? "failed: " + o.reason
                                       : "skipped" + (o.reason.empty() ? "" : ": " + o.reason);
        std::fprintf(out, "%-*s  %-*s  %8s  %s\n", iw, Label(plan[i]).c_str(), ow,
                     plan[i].output.empty() ? "-" : plan[i].output.c_str(),
                     DurationText(plan[i]).c_str(), result.c_str());
    }
}

}  // namespace sonavert::batch
