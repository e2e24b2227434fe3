// What a batch run will do, decided before anything is written: every input
// found, its output name, and what happens when that name is taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch_options.h"
#include "media_tags.h"
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
    std::string input;  // the file decoded (a CUE track's disc image)
    std::string output;
    Action action = Action::kConvert;
    uint64_t duration = 0;  // the input's (or track's), in 100-ns units; 0 for CD tracks
    std::string reason;     // why it is skipped or unusable
    std::string root;       // the folder named on the command line it was found in
    // A CUE sheet's track: the sheet, the track's number and its part of the
    // input in CD frames (no end: to the end of the input), and its tags.
    std::string cueSheet;
    int cueTrack = 0;
    uint32_t segmentStart = 0;
    std::optional<uint32_t> segmentEnd;
    std::optional<MediaTags> tags;
};

struct PlanSettings {
    int format = 0;         // 0 MP3, 1 WMA, 2 WAV
    std::string extension;  // ".mp3"
    std::string outputFolder;
    bool recursive = false;
    bool flat = false;         // no input tree below the output folder
    std::string nameTemplate;  // empty: outputs keep their input's name
    OnExists onExists = OnExists::kSkip;
    Shard shard;
};

// Inputs in the order given, each folder's files in path order; a path given
// twice is taken once. A CUE sheet given, or found in a folder beside the one
// audio file it names, stands for its tracks, and that file is not converted
// on its own. Names are decided over the whole batch, then only the jobs of
// `settings.shard` are kept.
std::vector<PlannedJob> BuildPlan(const Tonekit& tk, const std::vector<std::string>& inputs,
                                  const PlanSettings& settings);

const char* ActionName(Action action);

// How a job is shown: its input, or "disc.cue#3" for a CUE sheet's track.
std::string Label(const PlannedJob& job);

}  // namespace sonavert::batch
