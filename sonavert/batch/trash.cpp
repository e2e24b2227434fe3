#include "trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace sonavert::batch {
namespace {

constexpr int kMaxAttempts = 10000;
constexpr size_t kMaxNameBytes = 255;
constexpr char kInfoSuffix[] = ".trashinfo";

std::string Reason(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Percent-escapes all but unreserved characters and '/', as a URI path.
std::string EscapedPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::strchr("-_.~/", c)) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 15];
        }
    }
    return escaped;
}

std::string InfoText(const std::string& original) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + EscapedPath(original) + "\nDeletionDate=" + date + "\n";
}

// "song.wav", then "song.2.wav", "song.3.wav", ...; short enough that the
// info file's name still fits.
std::string Candidate(const std::string& name, int attempt) {
    const size_t dot = name.rfind('.');
    std::string stem = dot == 0 || dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = stem.size() == name.size() ? "" : name.substr(dot);
    std::string number;
    if (attempt > 1) number.append(1, '.').append(std::to_string(attempt));
    const size_t room = kMaxNameBytes - (sizeof kInfoSuffix - 1) - number.size() - extension.size();
    if (stem.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem.resize(cut);
    }
    return stem + number + extension;
}

bool MakeFolder(const std::string& folder, std::string& error) {
    if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return true;
    error = Reason("cannot create " + folder);
    return false;
}

// Renames without replacing, where the file system allows it.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from.c_str(), to.c_str());
}

}  // namespace

std::string HomeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::string(home) + "/.local/share/Trash";
}

bool MoveToTrash(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    struct stat source {};
    if (lstat(path.c_str(), &source) != 0) {
        error = Reason(path);
        return false;
    }
    const std::string trash = HomeTrash(), files = trash + "/files/", info = trash + "/info/";
    std::error_code ignored;
    fs::create_directories(fs::path(trash).parent_path(), ignored);
    if (!MakeFolder(trash, error) || !MakeFolder(files, error) || !MakeFolder(info, error))
        return false;
    struct stat target {};
    if (stat(files.c_str(), &target) != 0) {
        error = Reason(files);
        return false;
    }
    if (target.st_dev != source.st_dev) {
        error = path + " is on another file system than the Trash (" + trash + ")";
        return false;
    }
    std::error_code failure;
    const std::string original = fs::absolute(path, failure).lexically_normal().string();
    const std::string name = fs::path(original).filename().string();
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const std::string trashed = Candidate(name, attempt);
        const std::string infoFile = info + trashed + kInfoSuffix;
        // The info file claims the name; another program may be trashing too.
        const int fd =
            open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            error = Reason("cannot write " + infoFile);
            return false;
        }
        const std::string text = InfoText(original);
        const bool written =
            write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        const int saved = errno;
        close(fd);
        if (!written) {
            unlink(infoFile.c_str());
            errno = saved;
            error = Reason("cannot write " + infoFile);
            return false;
        }
        if (RenameNoReplace(path, files + trashed) == 0) return true;
        const int renameError = errno;
        unlink(infoFile.c_str());
        if (renameError == EEXIST) continue;  // a file left there without its info
        errno = renameError;
        error = Reason("cannot move " + path + " to the Trash");
        return false;
    }
    error = "no free name in the Trash for " + path;
    return false;
}

}  // namespace sonavert::batch
