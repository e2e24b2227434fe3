// What happens once a job's output is in place: the output takes its input's
// modification time (--keep-time), and the input goes to the Trash
// (--delete-source). A CUE sheet and its disc image go only once every one
// of its tracks was converted and checked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "batch_plan.h"
#include "batch_run.h"

namespace sonavert::batch {

class AfterConversion {
  public:
    AfterConversion(const std::vector<PlannedJob>& plan, bool keepTime, bool deleteSource);

    // For RunSettings::finished.
    void operator()(size_t job, JobOutcome& outcome, std::vector<std::string>& steps);

  private:
    void Trash(const std::string& path, const std::string& output, JobOutcome& outcome,
               std::vector<std::string>& steps);

    const std::vector<PlannedJob>* plan_;
    bool keepTime_, deleteSource_;
    // Tracks of each sheet still to convert; -1 once one failed or was skipped.
    std::map<std::string, int> tracksLeft_;
};

}  // namespace sonavert::batch
