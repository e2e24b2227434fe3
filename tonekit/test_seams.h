// Every place where tests reach into the library's internals, in one header.
// Product code never calls these.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tonekit::cd {
class ScsiTransport;
// Replaces the operating system's CD transport (a simulated drive); null
// restores it. Call InitCdLayer afterwards to scan through it.
void InstallTransport(std::unique_ptr<ScsiTransport> transport);
}  // namespace tonekit::cd

namespace tonekit::media {
// Binds FFmpeg anew, on next use, from these four libraries (avutil, avcodec,
// avformat, swresample); an empty list restores the system's.
void UseFfmpegLibraries(const std::vector<std::string>& names);
}  // namespace tonekit::media

namespace tonekit::resample {
// Lets tests run the 128-bit routines on a processor that has AVX2.
void AllowAvx2(bool allowed);
}  // namespace tonekit::resample
