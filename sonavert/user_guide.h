// The user guide is built into the program, so Help works in every kind of
// install: it is written out to the program's own writable folder and opened
// from there.
#pragma once

#include <string>

namespace sonavert {

// Writes the guide into `folder` (made when missing) as sonavert-help.html,
// complete or not at all, and returns its path; "" with `error` set when it
// cannot be written.
std::string WriteOutUserGuide(const std::string& folder, std::string& error);

}  // namespace sonavert
