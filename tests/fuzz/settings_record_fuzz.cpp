// Feeds arbitrary bytes to the settings decoder as a settings.dat of any
// length. Whatever is read is in range, and saving it then reading it back
// gives the same settings.
#include <cstdint>
#include <cstdlib>

#include "settings.h"

namespace {

bool InRange(const sonavert::Settings& s) {
    const bool bitrate = s.bitrate == 192 || s.bitrate == 128 || s.bitrate == 64 || s.bitrate == 32;
    const bool buffer = s.bufferBytes >= 1024 && s.bufferBytes <= 65536 &&
                        (s.bufferBytes & (s.bufferBytes - 1)) == 0;
    const bool paths = !s.outputFolder.empty() && s.outputFolder.back() == '/' &&
                       !s.addFilesFolder.empty() && s.addFilesFolder.back() == '/' &&
                       !s.searchFolder.empty() && s.searchFolder.back() == '/';
    return bitrate && buffer && (s.bubbleHelp == 0 || s.bubbleHelp == 1) && s.formatIndex >= 0 &&
           s.formatIndex <= 2 && paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const sonavert::SettingsDefaults defaults{"/tmp/", "/"};
    const sonavert::Settings read = sonavert::DecodeSettings(data, size, defaults);
    if (!InRange(read)) std::abort();
    const auto record = sonavert::EncodeSettings(read);
    if (!(sonavert::DecodeSettings(record.data(), record.size(), defaults) == read)) std::abort();
    return 0;
}
