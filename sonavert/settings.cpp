#include "settings.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "util/little_endian.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr size_t kBitrateOffset = 780;
constexpr size_t kBufferOffset = 784;
constexpr size_t kBubbleOffset = 788;
constexpr size_t kFormatOffset = 792;

bool IsOneOf(int32_t value, std::initializer_list<int32_t> allowed) {
    for (int32_t a : allowed)
        if (value == a) return true;
    return false;
}

// The path stored in field `index`, or `fallback` when the field has no NUL,
// is empty, names no folder, or is one byte too long to take its '/'.
std::string DecodePath(const uint8_t* record, int index, const std::string& fallback) {
    const char* field = reinterpret_cast<const char*>(record + index * kPathFieldBytes);
    const size_t length = strnlen(field, kPathFieldBytes);
    if (length == kPathFieldBytes) return fallback;
    std::string path(field, length);
    if (!tonekit::util::IsFolder(path.c_str())) return fallback;
    if (path.back() != '/') path += '/';
    // A folder whose '/' does not fit could not be saved again: it would be lost then.
    return FitsPathField(path) ? path : fallback;
}

void EncodePath(uint8_t* record, int index, const std::string& path) {
    if (FitsPathField(path))
        std::memcpy(record + index * kPathFieldBytes, path.data(), path.size());
}

// Creates `folder` and its parents (as mkdir -p).
void MakeFolders(const std::string& folder) {
    for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1))
        mkdir(folder.substr(0, at).c_str(), 0755);
    mkdir(folder.c_str(), 0755);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

Settings DefaultSettings(const SettingsDefaults& defaults) {
    Settings s;
    s.outputFolder = defaults.outputFolder;
    s.addFilesFolder = defaults.homeFolder;
    s.searchFolder = defaults.homeFolder;
    return s;
}

bool FitsPathField(const std::string& path) {
    return path.size() < kPathFieldBytes;
}

std::array<uint8_t, kSettingsBytes> EncodeSettings(const Settings& settings) {
    using tonekit::util::StoreLe32;
    std::array<uint8_t, kSettingsBytes> record{};
    EncodePath(record.data(), 0, settings.outputFolder);
    EncodePath(record.data(), 1, settings.addFilesFolder);
    EncodePath(record.data(), 2, settings.searchFolder);
    StoreLe32(&record[kBitrateOffset], static_cast<uint32_t>(settings.bitrate));
    StoreLe32(&record[kBufferOffset], static_cast<uint32_t>(settings.bufferBytes));
    StoreLe32(&record[kBubbleOffset], static_cast<uint32_t>(settings.bubbleHelp));
    StoreLe32(&record[kFormatOffset], static_cast<uint32_t>(settings.formatIndex));
    return record;
}

Settings DecodeSettings(const uint8_t* bytes, size_t size, const SettingsDefaults& defaults) {
    std::array<uint8_t, kSettingsBytes> record{};
    if (bytes) std::memcpy(record.data(), bytes, size < kSettingsBytes ? size : kSettingsBytes);
    const Settings fallback = DefaultSettings(defaults);
    auto value = [&](size_t offset) {
        return static_cast<int32_t>(tonekit::util::LoadLe32(&record[offset]));
    };
    Settings s;
    s.outputFolder = DecodePath(record.data(), 0, fallback.outputFolder);
    s.addFilesFolder = DecodePath(record.data(), 1, fallback.addFilesFolder);
    s.searchFolder = DecodePath(record.data(), 2, fallback.searchFolder);
    s.bitrate = value(kBitrateOffset);
    if (!IsOneOf(s.bitrate, {192, 128, 64, 32})) s.bitrate = fallback.bitrate;
    s.bufferBytes = value(kBufferOffset);
    if (!IsOneOf(s.bufferBytes, {1024, 2048, 4096, 8192, 16384, 32768, 65536}))
        s.bufferBytes = fallback.bufferBytes;
    s.bubbleHelp = value(kBubbleOffset);
    if (s.bubbleHelp != 0 && s.bubbleHelp != 1) s.bubbleHelp = fallback.bubbleHelp;
    s.formatIndex = value(kFormatOffset);
    if (s.formatIndex < 0 || s.formatIndex > 2) s.formatIndex = fallback.formatIndex;
    return s;
}

namespace {

// Reads up to `size` bytes of `path`; false when it is missing, unreadable or
// not a regular file (a FIFO or a device is opened without blocking, not read).
bool ReadRecord(const std::string& path, uint8_t* bytes, size_t size, size_t& got) {
    const int fd =
        tonekit::util::KeepIfRegular(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd < 0) return false;
    got = 0;
    while (got < size) {
        const ssize_t n = read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    return true;
}

}  // namespace

Settings LoadSettings(const std::string& path, const SettingsDefaults& defaults) {
    uint8_t bytes[kSettingsBytes];
    size_t n = 0;
    if (ReadRecord(path, bytes, sizeof bytes, n)) return DecodeSettings(bytes, n, defaults);
    const Settings fresh = DefaultSettings(defaults);
    SaveSettings(path, fresh);
    return fresh;
}

bool SaveSettings(const std::string& path, const Settings& settings) {
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(path.substr(0, slash));
    // A new file of a name no one else knows, in the same folder: whatever
    // sits at another name (a link planted there included) is never written.
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const auto record = EncodeSettings(settings);
    bool ok = WriteAll(fd, record.data(), record.size()) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

}  // namespace sonavert
