#include "test_support.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "util/little_endian.h"

namespace testing_support {

TempDir::TempDir() {
    char pattern[] = "/tmp/sonavert-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AppendLe16(Bytes& b, uint16_t v) {
    b.resize(b.size() + 2);
    tonekit::util::StoreLe16(&b[b.size() - 2], v);
}

void AppendLe32(Bytes& b, uint32_t v) {
    b.resize(b.size() + 4);
    tonekit::util::StoreLe32(&b[b.size() - 4], v);
}

void AppendChunk(Bytes& b, const char* id, const Bytes& payload) {
    b.insert(b.end(), id, id + 4);
    AppendLe32(b, static_cast<uint32_t>(payload.size()));
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1) b.push_back(0);
}

uint32_t Le32At(const Bytes& b, size_t offset) {
    return tonekit::util::LoadLe32(&b.at(offset + 3) - 3);
}

Bytes FormatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes f;
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    AppendLe16(f, tag);
    AppendLe16(f, channels);
    AppendLe32(f, rate);
    AppendLe32(f, rate * align);
    AppendLe16(f, align);
    AppendLe16(f, bits);
    return f;
}

Bytes RiffWave(const Bytes& chunks) {
    Bytes b = {'R', 'I', 'F', 'F'};
    AppendLe32(b, static_cast<uint32_t>(chunks.size() + 4));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

Bytes SimpleWav(uint32_t rate, uint16_t bits, uint16_t channels, const Bytes& pcm) {
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(1, channels, rate, bits));
    AppendChunk(chunks, "data", pcm);
    return RiffWave(chunks);
}

Bytes Samples16(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t s : samples) AppendLe16(b, static_cast<uint16_t>(s));
    return b;
}

Bytes StereoRamp(size_t frames, int leftStep, int rightPeriod) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<int16_t>(static_cast<int>(i) * leftStep));
        s.push_back(static_cast<int16_t>(-static_cast<int>(i % static_cast<size_t>(rightPeriod))));
    }
    return Samples16(s);
}

std::vector<int16_t> ToSamples16(const Bytes& bytes) {
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return s;
}

int RunInChild(const std::function<int()>& body, ChildOptions options) {
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (options.asNobody &&
            (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
            _exit(99);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
