// The files sonavert-setup carries inside itself, and writing them into the
// install folder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace installer {

struct PayloadFile {
    const char* name;  // the file name in the install folder
    const uint8_t* data;
    size_t size;
    mode_t mode;
};

// The converter, the library, LAME's library and the resampler, in the order
// they are written.
std::span<const PayloadFile> Payload();

// Creates `folder` (one level; an existing folder is used as it is). False,
// with the path and the reason in `error`, when it cannot be made.
bool MakeInstallFolder(const std::string& folder, std::string& error);

// Writes `file` into `folder` (ending in '/') under a temporary name and
// renames it into place, so the final name never holds a half-written file.
// False, with the path and the reason in `error`, when it cannot be written.
bool WritePayloadFile(const std::string& folder, const PayloadFile& file, std::string& error);

}  // namespace installer
