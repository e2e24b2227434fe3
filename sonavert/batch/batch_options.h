// The command line of `sonavert --convert`: a batch conversion without a
// window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shard.h"

namespace sonavert::batch {

// What happens to an output name that is taken before the run starts. Two
// inputs of one run that would make the same name never replace each other:
// the later one is renamed "name (2).ext" whatever is chosen.
enum class OnExists { kOverwrite, kSkip, kRename };

struct BatchOptions {
    // Unset or empty: the converter's saved settings decide.
    std::string format;                       // "mp3", "wma", "wav", "flac", "opus", "ogg" or "m4a"
    std::optional<int> bitrate;               // kbit/s
    int quality = -1;                         // MP3 VBR quality 0 (best) .. 9; -1: constant bitrate
    int rate = 0;                             // output sample rate; 0: the format's or the source's
    int channels = 0;                         // output channels; 0: the format's or the source's
    std::string replaygain;                   // "", "track" or "album"
    std::optional<std::string> outputFolder;  // ending in '/'
    std::string nameTemplate;                 // --name; empty: the input's own name
    int jobs = 0;                             // 0: one per core
    bool recursive = false;
    bool flat = false;  // every output straight in the output folder
    OnExists onExists = OnExists::kSkip;
    bool keepTime = false;      // each output gets its input's modification time
    bool deleteSource = false;  // each verified input goes to the Trash
    Shard shard;
    bool dryRun = false;
    bool verify = true;
    bool quiet = false;
    bool verbose = false;
    std::vector<std::string> inputs;
};

enum class Command { kConvert, kHelp, kVersion, kUsageError };

struct ParsedCommand {
    Command command = Command::kUsageError;
    BatchOptions options;
    std::string error;  // for kUsageError
};

// True when the arguments (after the program's name) ask for the batch
// converter rather than the window: --convert first, or --help or --version
// anywhere.
bool IsBatchCommand(const std::vector<std::string>& arguments);

// Long options take "--name VALUE" or "--name=VALUE"; short ones may be
// bundled ("-rn") and take their value attached or next ("-j4", "-j 4").
// --help and --version win wherever they stand; "--" ends the options.
ParsedCommand ParseBatchCommand(const std::vector<std::string>& arguments);

// The manual page shown by --help.
const char* BatchHelp();

}  // namespace sonavert::batch
