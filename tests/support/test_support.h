// Helpers shared by the test programs: scratch folders, file bytes, WAV
// images built by hand, and running the peer tools.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// A fresh folder under /tmp, removed with its contents at scope end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

void AppendLe16(Bytes& b, uint16_t v);
void AppendLe32(Bytes& b, uint32_t v);
void AppendChunk(Bytes& b, const char* id, const Bytes& payload);
uint32_t Le32At(const Bytes& b, size_t offset);

// A 16-byte PCM format record.
Bytes FormatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
// RIFF/WAVE around the given chunks; the RIFF size is the true one.
Bytes RiffWave(const Bytes& chunks);
// A plain canonical WAV file.
Bytes SimpleWav(uint32_t rate, uint16_t bits, uint16_t channels, const Bytes& pcm);

// Interleaved 16-bit stereo: left i * leftStep, right -(i % rightPeriod).
Bytes StereoRamp(size_t frames, int leftStep = 13, int rightPeriod = 30000);

// 16-bit little-endian samples from/to bytes.
Bytes Samples16(const std::vector<int16_t>& samples);
std::vector<int16_t> ToSamples16(const Bytes& bytes);

// Runs `body` in a forked child and returns its exit status (-1 when it was
// killed). `fileSizeLimit` caps the size of every file it writes, as on a full
// disk; `asNobody` runs it without root's rights over files (as user nobody
// when the tests run as root).
struct ChildOptions {
    rlim_t fileSizeLimit = RLIM_INFINITY;
    bool asNobody = false;
};
int RunInChild(const std::function<int()>& body, ChildOptions options = {});

// Runs a shell command; returns its exit status and fills `output` with stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace testing_support
