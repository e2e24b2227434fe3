// A disc's audio tracks as the files TrackNN.cda of its drive root.
#pragma once

#include <string>
#include <vector>

namespace tonekit::cd {

std::vector<std::string> DiscTrackFiles(int device);

// The file search's lister for drive roots (/dev/sr0/).
bool ListDriveRoot(const std::string& folder, std::vector<std::string>& names);

}  // namespace tonekit::cd
