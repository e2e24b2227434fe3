// Where the converter keeps its files. A portable install (a writable program
// folder) keeps settings.dat and temp.wav beside the program; otherwise, and
// always in a system install (<prefix>/bin/ with <prefix>/share/doc/sonavert/),
// the settings go to $XDG_CONFIG_HOME/sonavert/ (~/.config/sonavert/) and the
// scratch file to $XDG_CACHE_HOME/sonavert/ (~/.cache/sonavert/).
#pragma once

#include <functional>
#include <string>

#include "settings.h"

namespace sonavert {

struct ProgramPaths {
    std::string programFolder;  // with its trailing '/'
    std::string settingsFile;
    std::string scratchFile;
    std::string cacheFolder;    // $XDG_CACHE_HOME/sonavert/, whatever the install
    SettingsDefaults defaults;  // the output folder and the home folder
};

// The environment as the paths need it; the real one reads getenv.
using Environment = std::function<const char*(const char* name)>;

// The home folder with its trailing '/' ($HOME, or / when unset).
std::string HomeFolder(const Environment& env);

// The paths for a program in `programFolder`. The default output folder is
// the program folder when writable, else ~/Music/ when it exists, else home.
ProgramPaths FindProgramPaths(const std::string& programFolder, const Environment& env);

}  // namespace sonavert
