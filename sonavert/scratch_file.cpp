#include "scratch_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr int kScratchNames = 100;

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// True when `fd` is still the file `path` names: a holder that gave up its
// claim removes the name, and a later claimant makes a new file there.
bool StillNamed(int fd, const std::string& path) {
    struct stat held {
    }, named{};
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// The lock of `candidate`, held; -1 when another process holds it, or when
// no lock file can be made there (`usable` false).
int TryLock(const std::string& candidate, bool& usable) {
    const std::string lockPath = candidate + ".lock";
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            usable = false;
            return -1;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return -1;
        }
        if (StillNamed(fd, lockPath)) return fd;
        close(fd);  // the holder let go of it meanwhile: try the name again
    }
    return -1;
}

std::string MakeFolderIn(const std::string& parent) {
    std::string pattern = WithSlash(parent) + "sonavert-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) ? WithSlash(name.data()) : "";
}

}  // namespace

ScratchClaim ClaimScratchFile(const std::string& preferred) {
    const std::string stem = preferred.substr(0, preferred.size() - 4);  // without ".wav"
    bool usable = true;
    for (int n = 0; n < kScratchNames && usable; ++n) {
        const std::string candidate = n == 0 ? preferred : stem + "-" + std::to_string(n) + ".wav";
        const int lock = TryLock(candidate, usable);
        if (lock >= 0) return {candidate, lock, ""};
    }
    const std::string folder = MakePrivateFolder("");
    return {folder + "temp.wav", -1, folder};
}

void ReleaseScratchFile(ScratchClaim& claim) {
    if (!claim.path.empty()) unlink(claim.path.c_str());
    if (claim.lock >= 0) {
        // Removed while held: a process that opened it meanwhile finds its
        // lock no longer named and tries again.
        unlink((claim.path + ".lock").c_str());
        close(claim.lock);
    }
    if (!claim.privateFolder.empty()) RemovePrivateFolder(claim.privateFolder);
    claim = {};
}

std::string MakePrivateFolder(const std::string& parent) {
    if (!parent.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(parent, ignored);
        const std::string folder = MakeFolderIn(parent);
        if (!folder.empty()) return folder;
    }
    const char* tmp = std::getenv("TMPDIR");
    return MakeFolderIn(tmp && tmp[0] == '/' ? tmp : "/tmp");
}

void RemovePrivateFolder(const std::string& folder) {
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") unlink((WithSlash(folder) + name).c_str());
        }
        closedir(dir);
    }
    rmdir(folder.c_str());
}

std::string CreateTemporaryFile(const std::string& folder) {
    std::string pattern = WithSlash(folder) + kTemporaryPrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp opens with O_CREAT | O_EXCL, which never follows a link.
    const int fd = mkostemp(name.data(), O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return "";
    fchmod(fd, 0644);
    close(fd);
    return name.data();
}

bool CreateScratchFile(const std::string& path) {
    unlink(path.c_str());
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace sonavert
