// --replaygain album: once every job has run, the outputs made from the
// files of one input folder are an album; each gets the album's gain beside
// its own.
#pragma once

#include <string>
#include <vector>

#include "batch_plan.h"
#include "batch_run.h"

namespace sonavert::batch {

// Writes the album gains into the finished outputs of `plan`, in `format`,
// from each job's measurement (`loudness`, "" when none). A job whose output
// cannot take them becomes failed, with the reason.
void WriteAlbumGains(const std::vector<PlannedJob>& plan, const std::vector<std::string>& loudness,
                     std::vector<JobOutcome>& outcomes, const std::string& format);

}  // namespace sonavert::batch
