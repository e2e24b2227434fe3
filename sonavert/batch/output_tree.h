// Where outputs go: the output folder, and below it, for the files found in
// a folder named on the command line, that folder's own tree
// (in/A/B/x.wav -> out/A/B/x.mp3).
#pragma once

#include <string>

namespace sonavert::batch {

// `input`'s folder relative to `root`, the folder it was found in, ending in
// '/'; "" when `root` is empty (a file named on its own) or `input` lies
// directly in it.
std::string RelativeFolder(const std::string& input, const std::string& root);

// `input`'s path relative to `root`, or its bare name when `root` is empty:
// the same on every machine whatever the library's mount point.
std::string RelativePath(const std::string& input, const std::string& root);

// Creates `folder` and its missing parents, as `mkdir -p`; false with the
// reason otherwise.
bool MakeFolders(const std::string& folder, std::string& error);

}  // namespace sonavert::batch
