#include "after_conversion.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "conversion_steps.h"
#include "converter.h"
#include "trash.h"
#include "util/regular_file.h"

namespace sonavert::batch {

AfterConversion::AfterConversion(const std::vector<PlannedJob>& plan, bool keepTime,
                                 bool deleteSource)
    : plan_(&plan), keepTime_(keepTime), deleteSource_(deleteSource) {
    for (const auto& job : plan) {
        if (job.cueTrack == 0) continue;
        int& left = tracksLeft_[job.cueSheet];
        const bool converts = job.action == Action::kConvert || job.action == Action::kRename ||
                              job.action == Action::kOverwrite;
        left = left < 0 || !converts ? -1 : left + 1;
    }
}

void AfterConversion::operator()(size_t index, JobOutcome& outcome,
                                 std::vector<std::string>& steps) {
    const PlannedJob& job = (*plan_)[index];
    if (outcome.result != JobOutcome::Result::kDone) {
        if (job.cueTrack) tracksLeft_[job.cueSheet] = -1;
        return;
    }
    if (keepTime_) {
        struct stat input {};
        bool dated = stat(job.input.c_str(), &input) == 0;
        if (dated) {
            const timespec times[2] = {input.st_atim, input.st_mtim};
            dated = utimensat(AT_FDCWD, job.output.c_str(), times, 0) == 0;
        }
        if (!dated) {
            outcome = {JobOutcome::Result::kFailed,
                       std::string("the output's time cannot be set: ") + std::strerror(errno)};
            if (job.cueTrack) tracksLeft_[job.cueSheet] = -1;
            return;
        }
        steps.push_back("dated    " + job.output);
    }
    if (!deleteSource_ || MediaTypeOf(job.input) == kCdTrack) return;  // a disc stays a disc
    if (job.cueTrack == 0) return Trash(job.input, job.output, outcome, steps);
    if (--tracksLeft_[job.cueSheet] != 0) return;
    Trash(job.input, job.output, outcome, steps);
    if (outcome.result == JobOutcome::Result::kDone)
        Trash(job.cueSheet, job.output, outcome, steps);
}

void AfterConversion::Trash(const std::string& path, const std::string& output, JobOutcome& outcome,
                            std::vector<std::string>& steps) {
    std::string error;
    if (tonekit::util::SameFile(path.c_str(), output.c_str()))
        error = "it was converted in place";  // the new file stays
    else if (!MoveToTrash(path, error) && error.empty())
        error = "it cannot be moved to the Trash";
    if (!error.empty()) {
        outcome = {JobOutcome::Result::kFailed, "converted, but " + path + " stays: " + error};
        return;
    }
    steps.push_back("trashed  " + path);
}

}  // namespace sonavert::batch
