// Depth-first walk of a folder tree, reporting every file to the caller with a
// flag telling whether its type is among the wanted ones.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tonekit.h"
#include "util/file_search.h"

namespace tonekit::util {
namespace {

constexpr size_t kMaxPath = 1023;

VirtualFolderLister g_virtualFolders = nullptr;
constexpr size_t kMaxTypes = 127;

struct Walk {
    std::string types;  // the wanted type codes, at most 127 characters
    bool everyType = false;
    SearchFilesCallback callback = nullptr;
    // The folders from the start down to the one being listed: entering one of
    // them again through a link would be a loop. A folder reached twice by
    // different routes is walked both times.
    std::vector<std::pair<dev_t, ino_t>> path;
};

// The file's last three characters compared, without case, with the codes
// standing at every fourth position of the type list.
bool TypeMatches(const Walk& walk, const char* name) {
    if (walk.everyType) return true;
    const size_t length = std::strlen(name);
    if (length < 3) return false;
    const char* tail = name + length - 3;
    for (size_t i = 0; i + 3 <= walk.types.size(); i += 4) {
        bool equal = true;
        for (size_t j = 0; j < 3 && equal; ++j) {
            equal = std::toupper(static_cast<unsigned char>(walk.types[i + j])) ==
                    std::toupper(static_cast<unsigned char>(tail[j]));
        }
        if (equal) return true;
    }
    return false;
}

bool IsFolderEntry(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat st;  // follows links: a link to a folder is walked as a folder
    return fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Lists `folder` (given without its trailing '/'; empty for the root).
int32_t WalkFolder(Walk& walk, const std::string& folder, bool noRecurse) {
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return -1;
    struct stat self;
    if (fstat(dirfd(dir), &self) != 0 ||
        std::find(walk.path.begin(), walk.path.end(),
                  std::pair<dev_t, ino_t>{self.st_dev, self.st_ino}) != walk.path.end()) {
        closedir(dir);
        return 1;
    }
    walk.path.emplace_back(self.st_dev, self.st_ino);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        const std::string path = folder + "/" + name;
        if (path.size() > kMaxPath) continue;  // never reported truncated
        if (IsFolderEntry(dirfd(dir), entry)) {
            if (!noRecurse) WalkFolder(walk, path, false);
            continue;
        }
        if (walk.callback(path.c_str(), strslash(path.c_str()), name, TypeMatches(walk, name)))
            break;
    }
    walk.path.pop_back();
    closedir(dir);
    return 1;
}

// Reports the files of a folder that only the virtual lister knows; false when
// `folder` is not one.
bool ListVirtualFolder(Walk& walk, const std::string& folder) {
    std::vector<std::string> names;
    if (!g_virtualFolders || !g_virtualFolders(folder + "/", names)) return false;
    for (const auto& name : names) {
        const std::string path = folder + "/" + name;
        if (path.size() > kMaxPath) continue;
        if (walk.callback(path.c_str(), strslash(path.c_str()), name.c_str(),
                          TypeMatches(walk, name.c_str())))
            break;
    }
    return true;
}

}  // namespace

void SetVirtualFolderLister(VirtualFolderLister lister) {
    g_virtualFolders = lister;
}

}  // namespace tonekit::util

extern "C" int32_t SearchFiles(const char* folder, const char* types, SearchFilesCallback callback,
                               int32_t noRecurse) {
    using namespace tonekit::util;
    if (!folder || !callback) return -1;
    std::string start = folder;
    if (!start.empty() && start.back() == '/') start.pop_back();
    if (start.size() + 1 > kMaxPath) return -1;
    Walk walk;
    walk.types.assign(types ? types : "", types ? std::min(std::strlen(types), kMaxTypes) : 0);
    walk.everyType = walk.types == "*.*";
    walk.callback = callback;
    if (ListVirtualFolder(walk, start)) return 1;
    return WalkFolder(walk, start, noRecurse != 0);
}
