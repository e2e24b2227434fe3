#include "payload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "payload_data.h"

namespace installer {
namespace {

constexpr mode_t kProgram = 0755;
constexpr mode_t kLibrary = 0644;

PayloadFile File(const char* name, const uint8_t* begin, const uint8_t* end, mode_t mode) {
    return {name, begin, static_cast<size_t>(end - begin), mode};
}

bool Fail(const std::string& path, std::string& error) {
    error = path + ": " + std::strerror(errno);
    return false;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::span<const PayloadFile> Payload() {
    static const std::array<PayloadFile, 4> files = {
        File("sonavert", installer_sonavert_begin, installer_sonavert_end, kProgram),
        File("libtonekit.so", installer_tonekit_begin, installer_tonekit_end, kLibrary),
        File("libmp3lame.so.0", installer_lame_begin, installer_lame_end, kLibrary),
        File("wavshift", installer_wavshift_begin, installer_wavshift_end, kProgram),
    };
    return files;
}

bool MakeInstallFolder(const std::string& folder, std::string& error) {
    if (::mkdir(folder.c_str(), 0755) == 0) return true;
    if (errno == EEXIST) {
        struct stat existing {};
        if (::stat(folder.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return true;
        errno = ENOTDIR;
    }
    return Fail(folder, error);
}

bool WritePayloadFile(const std::string& folder, const PayloadFile& file, std::string& error) {
    const std::string target = folder + file.name;
    std::string temporary = folder + "." + file.name + ".part-XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return Fail(target, error);
    temporary = name.data();
    const bool written = WriteAll(fd, file.data, file.size) && ::fchmod(fd, file.mode) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    if (!written) errno = savedErrno;
    const int reason = errno;
    ::unlink(temporary.c_str());
    errno = reason;
    return Fail(target, error);
}

}  // namespace installer
