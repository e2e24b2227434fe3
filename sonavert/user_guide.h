// The user guide is built into the program, so Help works in every kind of
// install: it is written out to the program's own writable folder and opened
// from there.
#pragma once

#include <string>

#include "program_paths.h"

namespace sonavert {

// Where the guide is written: beside a portable program, otherwise in the
// user's cache folder ($XDG_CACHE_HOME/sonavert/, ~/.cache/sonavert/).
std::string UserGuideFolder(const ProgramPaths& paths);

// Writes the guide into `folder` (made when missing) as sonavert-help.html,
// complete or not at all, and returns its path; "" with `error` set when it
// cannot be written.
std::string WriteOutUserGuide(const std::string& folder, std::string& error);

}  // namespace sonavert
