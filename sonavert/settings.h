// The converter's settings record: 796 bytes, little-endian, stored whole in
// settings.dat. Three paths in fixed 260-byte fields (NUL-terminated, each
// ending in '/'), then the bitrate, the playback buffer size, the bubble-help
// switch and the output format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sonavert {

inline constexpr size_t kSettingsBytes = 796;
inline constexpr size_t kPathFieldBytes = 260;

struct Settings {
    std::string outputFolder;     // where converted files are written
    std::string addFilesFolder;   // where the add-files chooser opens
    std::string searchFolder;     // where the search window starts
    int32_t bitrate = 128;        // kbit/s: 192, 128, 64 or 32
    int32_t bufferBytes = 32768;  // playback buffer: 1024 ... 65536, powers of two
    int32_t bubbleHelp = 1;       // tooltips on (1) or off (0)
    int32_t formatIndex = 0;      // 0 ".mp3", 1 ".wma", 2 ".wav"

    bool operator==(const Settings&) const = default;
};

// What the defaults are on this machine: the default output folder and the
// folder that stands for the described "C:\" (the home folder).
struct SettingsDefaults {
    std::string outputFolder;
    std::string homeFolder;
};

Settings DefaultSettings(const SettingsDefaults& defaults);

// True when `path` fits a path field with its terminating NUL.
bool FitsPathField(const std::string& path);

// The stored record. A path that does not fit its field is stored empty (and
// so reads back as its default), never cut short.
std::array<uint8_t, kSettingsBytes> EncodeSettings(const Settings& settings);

// The record read from `size` bytes: a longer file is read for its first 796,
// a shorter one leaves the rest zero. Each field out of range is reset to its
// default, keeping the others; a path field without its NUL, or naming a
// folder that does not exist, takes its default.
Settings DecodeSettings(const uint8_t* bytes, size_t size, const SettingsDefaults& defaults);

// Reads `path`; a missing or unreadable file, or one that is not a regular
// file, gives the defaults, which are written at once.
Settings LoadSettings(const std::string& path, const SettingsDefaults& defaults);

// Writes the record to a new file of a unique name beside `path` and renames
// it over `path`, creating the folder when needed; false when it could not be written
// (the old file is then left as it was).
bool SaveSettings(const std::string& path, const Settings& settings);

}  // namespace sonavert
