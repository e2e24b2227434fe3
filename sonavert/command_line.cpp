#include "command_line.h"

#include <cstdio>

#include "batch/batch_options.h"

namespace sonavert {
namespace {

constexpr const char* kWindowUsage = R"(Usage: sonavert [FILE|FOLDER...]
       sonavert --convert [OPTION...] FILE|FOLDER...
       sonavert --help | --version

Without --convert, opens the converter's window and adds the files and
folders given to its input list, as dropping them onto it does (a folder adds
the audio files in it and in its subfolders).

)";

bool IsOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    bool batch = false;
    std::string unknown;
    std::vector<std::string> batchArguments{"--convert"};  // as given, but --convert first
    for (const std::string& argument : arguments) {
        const bool option = !optionsEnded && IsOption(argument);
        if (option && (argument == "-h" || argument == "--help"))
            return {CommandLine::Action::kHelp, {}, false, {}};
        if (option && argument == "--version")
            return {CommandLine::Action::kVersion, {}, false, {}};
        if (option && argument == "--convert") {
            batch = true;
            continue;
        }
        batchArguments.push_back(argument);
        if (!option)
            line.arguments.push_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (argument == "--measure-startup")
            line.measureStartup = true;
        else if (unknown.empty())
            unknown = argument;  // the batch converter has options of its own
    }
    if (batch) {
        line.action = CommandLine::Action::kBatch;
        line.arguments = std::move(batchArguments);
    } else if (!unknown.empty()) {
        line.action = CommandLine::Action::kUsageError;
        line.error = "unknown option '" + unknown + "'";
    }
    return line;
}

int AnswerCommandLine(const CommandLine& line) {
    switch (line.action) {
        case CommandLine::Action::kHelp:
            std::fputs(kWindowUsage, stdout);
            std::fputs(batch::BatchHelp(), stdout);
            return 0;
        case CommandLine::Action::kVersion:
            std::puts("sonavert 1.0");
            return 0;
        default:
            std::fprintf(stderr, "sonavert: %s\nTry 'sonavert --help' for more information.\n",
                         line.error.c_str());
            return 2;
    }
}

}  // namespace sonavert
