#include "output_tree.h"

#include <filesystem>
#include <system_error>

namespace sonavert::batch {
namespace {

// "root/" with exactly one trailing slash.
std::string AsFolder(const std::string& root) {
    std::string folder = root;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder == "/" ? folder : folder + "/";
}

}  // namespace

std::string RelativePath(const std::string& input, const std::string& root) {
    if (root.empty()) return input.substr(input.rfind('/') + 1);
    const std::string folder = AsFolder(root);
    if (input.compare(0, folder.size(), folder) != 0) return input.substr(input.rfind('/') + 1);
    return input.substr(folder.size());
}

std::string RelativeFolder(const std::string& input, const std::string& root) {
    if (root.empty()) return "";
    const std::string relative = RelativePath(input, root);
    const size_t slash = relative.rfind('/');
    return slash == std::string::npos ? "" : relative.substr(0, slash + 1);
}

bool MakeFolders(const std::string& folder, std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (failure) error = "cannot create the folder " + folder + ": " + failure.message();
    return !failure;
}

}  // namespace sonavert::batch
