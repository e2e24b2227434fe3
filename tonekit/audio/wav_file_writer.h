// The life of every WAV file the system writes: the 44-byte header, the
// samples appended, then finalisation (data size at offset 40, RIFF size at
// offset 4). A writer that fails before any sample reached the disk removes
// the file it created or emptied; one that wrote samples leaves them finalised.
// Header-only, so that wavshift's engine shares it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/wav_format.h"
#include "util/little_endian.h"
#include "util/regular_file.h"

namespace tonekit::audio {

// Sets both size fields from the file's length; sizes beyond 32 bits are held
// at the largest value that fits.
inline bool FinaliseWavFile(FILE* f) {
    if (std::fflush(f) != 0 || fseeko(f, 0, SEEK_END) != 0) return false;
    const off_t length = ftello(f);
    if (length < kWavHeaderBytes) return false;
    constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;  // the RIFF size must fit too
    uint64_t data = static_cast<uint64_t>(length) - kWavHeaderBytes;
    if (data > kMaxData) data = kMaxData;
    uint8_t field[4];
    util::StoreLe32(field, static_cast<uint32_t>(data));
    if (fseeko(f, 40, SEEK_SET) != 0 || std::fwrite(field, 4, 1, f) != 1) return false;
    util::StoreLe32(field, static_cast<uint32_t>(data + 36));
    return fseeko(f, 4, SEEK_SET) == 0 && std::fwrite(field, 4, 1, f) == 1;
}

class WavFileWriter {
  public:
    WavFileWriter() = default;
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;
    ~WavFileWriter() { Finish(); }

    // Creates `path` with `header`; false when it cannot be created, is not a
    // regular file or a new name, or is the file `source` names.
    bool Create(const char* path, const WavHeader& header, const char* source = nullptr) {
        file_ = util::CreateOutputFile(path, source);
        if (!file_) return false;
        static_cast<void>(std::setvbuf(file_, nullptr, _IOFBF, 1 << 16));
        path_ = path;
        return Write(header.data(), header.size());
    }

    // Continues `path`, which CreateWAVHeader has just made, after its header.
    bool Append(const char* path) {
        util::UniqueFile f(util::IsRegularFile(path) ? std::fopen(path, "r+b") : nullptr);
        if (!f || std::fseek(f.get(), kWavHeaderBytes, SEEK_SET) != 0) return false;
        file_ = f.release();
        path_ = path;
        return true;
    }

    bool Write(const void* data, size_t bytes) {
        if (failed_ || !file_) return false;
        failed_ = bytes && std::fwrite(data, 1, bytes, file_) != bytes;
        return !failed_;
    }

    // Closes and finalises the file; true when everything was written.
    bool Finish() {
        if (!file_) return false;
        const bool finalised = FinaliseWavFile(file_);
        bool ok = !failed_ && finalised;
        const bool hasSamples = fseeko(file_, 0, SEEK_END) == 0 && ftello(file_) > kWavHeaderBytes;
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        if (!ok && !hasSamples) util::RemoveRegularFile(path_.c_str());
        return ok;
    }

    // Closes and removes the file: nothing of it is wanted.
    void Abandon() {
        if (!file_) return;
        std::fclose(file_);
        file_ = nullptr;
        util::RemoveRegularFile(path_.c_str());
    }

  private:
    FILE* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};

}  // namespace tonekit::audio
