// Removing an output file that a failed conversion left without content.
#pragma once

namespace tonekit::util {

// Removes `path` when it is a regular file (never a device such as /dev/full).
void RemoveRegularFile(const char* path);

}  // namespace tonekit::util

namespace tonekit::util {

// True when `path` is a regular file of fewer than `bytes` bytes.
bool IsShorterThan(const char* path, long bytes);

}  // namespace tonekit::util
