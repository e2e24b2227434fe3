#include "wav_segment.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "cue_sheet.h"

namespace sonavert::batch {
namespace {

constexpr size_t kHeaderBytes = 44;
constexpr size_t kCopyBytes = 1 << 20;

uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool FullRead(int fd, void* buffer, size_t bytes, off_t at) {
    return pread(fd, buffer, bytes, at) == static_cast<ssize_t>(bytes);
}

bool FullWrite(int fd, const void* buffer, size_t bytes, off_t at) {
    return pwrite(fd, buffer, bytes, at) == static_cast<ssize_t>(bytes);
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

bool CutWavToSegment(const std::string& wav, uint32_t start, std::optional<uint32_t> end,
                     std::string& error) {
    const Fd file{open(wav.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC)};
    unsigned char header[kHeaderBytes];
    if (file.fd < 0 || !FullRead(file.fd, header, sizeof header, 0)) {
        error = "the decoded audio cannot be read: " + std::string(std::strerror(errno));
        return false;
    }
    const uint32_t rate = Le32(header + 24);
    const uint32_t blockAlign = header[32] | header[33] << 8;
    const uint64_t dataBytes = Le32(header + 40);
    if (std::memcmp(header, "RIFF", 4) || std::memcmp(header + 8, "WAVEfmt ", 8) ||
        std::memcmp(header + 36, "data", 4) || rate == 0 || blockAlign == 0) {
        error = "the decoded audio is not a plain WAV file";
        return false;
    }
    const uint64_t frames = dataBytes / blockAlign;
    const uint64_t first = CueFrameToSample(start, rate);
    const uint64_t last = end ? std::min(CueFrameToSample(*end, rate), frames) : frames;
    if (first >= last) {
        error = "the track starts after the end of its file";
        return false;
    }
    // Moves the part to the front, block by block (it only ever moves back).
    std::vector<unsigned char> buffer(kCopyBytes);
    const uint64_t keep = (last - first) * blockAlign;
    for (uint64_t done = 0; done < keep && first > 0;) {
        const size_t bytes = static_cast<size_t>(std::min<uint64_t>(buffer.size(), keep - done));
        if (!FullRead(file.fd, buffer.data(), bytes,
                      static_cast<off_t>(kHeaderBytes + first * blockAlign + done)) ||
            !FullWrite(file.fd, buffer.data(), bytes, static_cast<off_t>(kHeaderBytes + done))) {
            error = "the track cannot be cut out: " + std::string(std::strerror(errno));
            return false;
        }
        done += bytes;
    }
    PutLe32(header + 4, static_cast<uint32_t>(keep + kHeaderBytes - 8));
    PutLe32(header + 40, static_cast<uint32_t>(keep));
    if (!FullWrite(file.fd, header, sizeof header, 0) ||
        ftruncate(file.fd, static_cast<off_t>(kHeaderBytes + keep)) != 0) {
        error = "the track cannot be cut out: " + std::string(std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace sonavert::batch
