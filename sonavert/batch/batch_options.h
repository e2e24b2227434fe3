// The command line of `sonavert --convert`: a batch conversion without a
// window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonavert::batch {

enum class OnExists { kOverwrite, kSkip, kRename };

struct BatchOptions {
    // Unset: the converter's saved settings decide.
    std::string format;  // "mp3", "wma", "wav", "flac", "opus", "ogg", "m4a"; "": saved
    std::optional<int> bitrate;
    int quality = -1;                         // MP3 VBR quality 0..9; -1: constant bit rate
    int rate = 0;                             // 0: the source's (or the format's own)
    int channels = 0;                         // 0: the source's (or the format's own)
    std::string replaygain;                   // "", "track" or "album"
    std::optional<std::string> outputFolder;  // ending in '/'
    int jobs = 0;                             // 0: one per core
    bool recursive = false;
    OnExists onExists = OnExists::kRename;
    bool dryRun = false;
    bool verify = true;
    bool quiet = false;
    std::vector<std::string> inputs;
};

enum class Command { kConvert, kHelp, kVersion, kUsageError };

struct ParsedCommand {
    Command command = Command::kUsageError;
    BatchOptions options;
    std::string error;  // for kUsageError
};

// True when the arguments (after the program's name) ask for the batch
// converter rather than the window.
bool IsBatchCommand(const std::vector<std::string>& arguments);

ParsedCommand ParseBatchCommand(const std::vector<std::string>& arguments);

// The manual page shown by --help.
const char* BatchHelp();

}  // namespace sonavert::batch
