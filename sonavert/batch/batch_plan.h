// What a batch run will do, decided before anything is written: every input
// found, its output name, and what happens when that name is taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch_options.h"
#include "tonekit_binding.h"

namespace sonavert::batch {

enum class Action {
    kConvert,    // a new output
    kOverwrite,  // replaces an existing file (--on-exists overwrite)
    kRename,     // a free name instead of a taken one
    kSkip,       // the output's name is taken (--on-exists skip)
    kUnusable,   // the input cannot be read: reported as failed
};

struct PlannedJob {
    std::string input;
    std::string output;
    Action action = Action::kConvert;
    uint64_t duration = 0;  // the input's, in 100-ns units; 0 for CD tracks
    std::string reason;     // why it is skipped or unusable
};

struct PlanSettings {
    int format = 0;         // 0 MP3, 1 WMA, 2 WAV
    std::string extension;  // the outputs' (".flac"); "": the format's above
    std::string outputFolder;
    bool recursive = false;
    OnExists onExists = OnExists::kRename;
};

// Inputs in the order given, each folder's files in path order; a path given
// twice is taken once.
std::vector<PlannedJob> BuildPlan(const Tonekit& tk, const std::vector<std::string>& inputs,
                                  const PlanSettings& settings);

const char* ActionName(Action action);

}  // namespace sonavert::batch
