// Malformed WAV files: every one is refused or read within what the file holds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <vector>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

class WavBadInputTest : public ::testing::Test {
  protected:
    void TearDown() override { CloseWAV(0); }
    WavInfo* Open(const Bytes& image) {
        WriteFile(dir / "bad.wav", image);
        return OpenWAV((dir / "bad.wav").c_str(), 0);
    }
    TempDir dir;
};

// Cut headers, chunks that run past the file (read or skipped), format chunks
// too small to hold a format, data before its format, noise, and files that
// are not regular files.
TEST_F(WavBadInputTest, MalformedFilesAreRefused) {
    const Bytes good = SimpleWav(44100, 16, 2, Bytes(64, 1));
    std::vector<Bytes> images;
    for (size_t length : {0, 11, 12, 20, 35, 43})
        images.emplace_back(good.begin(), good.begin() + static_cast<long>(length));
    images.push_back(good);
    images.back()[17] = 0xFF;  // fmt chunk size far beyond the file
    images.push_back(good);
    images.back()[4] = 28;  // the RIFF chunk ends before the data chunk, which is not the file's
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(1, 2, 44100, 16));
    const Bytes list = {'L', 'I', 'S', 'T', 0xA0, 0x86, 0x01, 0};  // 100,000 bytes, not there
    chunks.insert(chunks.end(), list.begin(), list.end());
    AppendChunk(chunks, "data", Bytes(8, 0));
    images.push_back(RiffWave(chunks));
    for (size_t size : {0, 15}) {
        Bytes tiny;
        AppendChunk(tiny, "fmt ", Bytes(size, 1));
        AppendChunk(tiny, "data", Bytes(8, 0));
        images.push_back(RiffWave(tiny));
    }
    Bytes reversed;
    AppendChunk(reversed, "data", Bytes(8, 0));
    AppendChunk(reversed, "fmt ", FormatRecord(1, 2, 44100, 16));
    images.push_back(RiffWave(reversed));
    std::mt19937 random(7);
    images.emplace_back(4096);
    for (auto& b : images.back()) b = static_cast<uint8_t>(random());
    for (size_t i = 0; i < images.size(); ++i) EXPECT_EQ(Open(images[i]), nullptr) << i;

    const std::string fifo = dir / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    uint64_t duration = 0;
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.path()})
        EXPECT_EQ(OpenWAV(path.c_str(), 0), nullptr) << path;
    EXPECT_EQ(OpenWMA(0, fifo.c_str(), 0, &duration), 0);
}

// A file as CreateWAVHeader leaves it (both sizes 0), with or without samples
// appended by a writer that never finished, reads as empty; a data chunk
// longer than the file reads what exists.
TEST_F(WavBadInputTest, UnfinalisedAndCutFilesReadWhatTheyHold) {
    const std::string path = dir / "unfinished.wav";
    for (size_t appended : {0, 4000}) {
        ASSERT_EQ(CreateWAVHeader(path.c_str(), 44100, 16, 2), 0);
        Bytes image = ReadFile(path);
        image.resize(image.size() + appended, 7);
        WriteFile(path, image);
        const WavInfo* info = OpenWAV(path.c_str(), 0);
        ASSERT_NE(info, nullptr) << appended;
        EXPECT_EQ(info->dataBytes, 0u);
        uint64_t duration = 1;
        ASSERT_EQ(OpenWMA(2, path.c_str(), 0, &duration), 1);
        char* data = nullptr;
        int32_t bytes = 0;
        EXPECT_EQ(duration, 0u);
        EXPECT_EQ(ReadWMA(2, &data, &bytes, nullptr, 1.0), -1);
        CloseWMA(2);
    }
    Bytes image = SimpleWav(44100, 16, 2, Bytes(100, 3));
    image[42] = 0x01;  // declares 0x10064 bytes of data
    ASSERT_NE(Open(image), nullptr);
    char buffer[4096];
    EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), 100);
    EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), 0);
}

}  // namespace
