#include "settings.h"

#include <unistd.h>

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
// is empty, or names no folder.
std::string DecodePath(const uint8_t* record, int index, const std::string& fallback) {
    const char* field = reinterpret_cast<const char*>(record + index * kPathFieldBytes);
    const size_t length = strnlen(field, kPathFieldBytes);
    if (length == kPathFieldBytes) return fallback;
    std::string path(field, length);
    if (!tonekit::util::IsFolder(path.c_str())) return fallback;
    if (path.back() != '/') path += '/';
    return path;
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

Settings LoadSettings(const std::string& path, const SettingsDefaults& defaults) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        const Settings fresh = DefaultSettings(defaults);
        SaveSettings(path, fresh);
        return fresh;
    }
    uint8_t bytes[kSettingsBytes];
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    return DecodeSettings(bytes, n, defaults);
}

bool SaveSettings(const std::string& path, const Settings& settings) {
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(path.substr(0, slash));
    const std::string temporary = path + ".tmp";
    const auto record = EncodeSettings(settings);
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(record.data(), record.size(), 1, f) == 1;
    ok = std::fflush(f) == 0 && fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace sonavert
