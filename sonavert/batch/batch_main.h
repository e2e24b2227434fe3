// `sonavert --convert | --help | --version`: the converter without a window.
#pragma once

#include <string>
#include <vector>

namespace sonavert::batch {

// Runs the command; returns the exit status (0 all done, 1 a file failed,
// 2 bad usage, 130 interrupted). `libraryPath` empty: libtonekit.so from the
// program's folder, then the system.
int RunBatchCommand(const std::vector<std::string>& arguments, const std::string& libraryPath = "");

}  // namespace sonavert::batch
