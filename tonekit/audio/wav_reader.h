// Reading WAV files: RIFF chunk parsing bounded by what the file holds, and
// reads clipped to the data chunk. The public reader slots are ten of these;
// the whole-file conversions keep readers of their own.
#pragma once

#include <cstdint>
#include <cstdio>

#include "tonekit.h"

namespace tonekit::audio {

class WavFileReader {
  public:
    WavFileReader() = default;
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;
    ~WavFileReader() { Close(); }

    // The format record of `path`, or null when it is not a readable WAV file.
    // A file that opened but did not parse stays open until Close, as a slot's does.
    const WavInfo* Open(const char* path);
    // Up to `count` bytes of sample data; 0 at the end.
    int32_t Read(int32_t count, char* buffer);
    // Moves to `position` within the data; -1 when it lies beyond.
    int32_t Seek(uint32_t position);
    void Close();

    const WavInfo& Info() const { return info_; }
    bool IsOpen() const { return file_ != nullptr; }
    // Bytes of data read so far (moved by Seek).
    uint64_t Position() const { return position_; }

  private:
    FILE* file_ = nullptr;
    uint64_t position_ = 0;
    WavInfo info_{};
};

// The public slot `slot` (0-9), or null.
WavFileReader* WavSlot(int32_t slot);

}  // namespace tonekit::audio
