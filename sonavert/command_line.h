// The converter's command line: the window with files and folders to add, the
// batch converter (--convert), or a one-line answer (--help, --version, a
// usage error).
#pragma once

#include <string>
#include <vector>

namespace sonavert {

struct CommandLine {
    enum class Action { kWindow, kBatch, kHelp, kVersion, kUsageError };
    Action action = Action::kWindow;
    // kWindow: the files and folders to add to the input list.
    // kBatch: the batch converter's arguments, --convert first.
    std::vector<std::string> arguments;
    bool measureStartup = false;  // print when the window shows, then leave
    std::string error;            // kUsageError
};

// `arguments` without the program's name. -h, --help and --version win
// wherever they stand before "--", which ends the options.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Prints what the command line asks for and returns the exit status (0 help
// and version, 2 a usage error).
int AnswerCommandLine(const CommandLine& line);

}  // namespace sonavert
