// Folders that exist for the file search without being on disk: the CD layer
// lists a drive root (/dev/sr0/) as the track files of its disc.
#pragma once

#include <string>
#include <vector>

namespace tonekit::util {

// Fills `names` and returns true when `folder` (with its trailing '/') is such
// a folder.
using VirtualFolderLister = bool (*)(const std::string& folder, std::vector<std::string>& names);

void SetVirtualFolderLister(VirtualFolderLister lister);

}  // namespace tonekit::util
