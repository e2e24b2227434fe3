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

Bytes GoodWav() {
    return SimpleWav(44100, 16, 2, Bytes(64, 1));
}

// Cut headers, chunks that run past the file (read or skipped), and format
// chunks too small to hold a format.
TEST_F(WavBadInputTest, MalformedHeadersAreRefused) {
    const Bytes good = GoodWav();
    std::vector<Bytes> images;
    for (size_t length : {0, 4, 11, 12, 19, 20, 35, 43})
        images.emplace_back(good.begin(), good.begin() + static_cast<long>(length));
    images.push_back(good);
    images.back()[16] = 0xF0;  // fmt chunk size 0x...F0: far beyond the file
    images.back()[17] = 0xFF;
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(1, 2, 44100, 16));
    const Bytes list = {'L', 'I', 'S', 'T', 0xA0, 0x86, 0x01, 0};  // 100,000 bytes, not there
    chunks.insert(chunks.end(), list.begin(), list.end());
    AppendChunk(chunks, "data", Bytes(8, 0));
    images.push_back(RiffWave(chunks));
    for (size_t size : {0, 2, 15}) {
        Bytes tiny;
        AppendChunk(tiny, "fmt ", Bytes(size, 1));
        AppendChunk(tiny, "data", Bytes(8, 0));
        images.push_back(RiffWave(tiny));
    }
    for (size_t i = 0; i < images.size(); ++i) EXPECT_EQ(Open(images[i]), nullptr) << i;
}

// A file as CreateWAVHeader leaves it (both sizes 0), with or without samples
// appended by a writer that never finished, reads as empty.
TEST_F(WavBadInputTest, UnfinalisedFilesReadAsEmpty) {
    const std::string path = dir / "unfinished.wav";
    for (size_t appended : {0, 4000}) {
        ASSERT_EQ(CreateWAVHeader(path.c_str(), 44100, 16, 2), 0);
        Bytes image = ReadFile(path);
        image.resize(image.size() + appended, 7);
        WriteFile(path, image);
        const WavInfo* info = OpenWAV(path.c_str(), 0);
        ASSERT_NE(info, nullptr) << appended;
        EXPECT_EQ(info->dataBytes, 0u);
        char buffer[64];
        EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), 0);

        uint64_t duration = 1;
        ASSERT_EQ(OpenWMA(2, path.c_str(), 0, &duration), 1);
        char* data = nullptr;
        int32_t bytes = 0;
        EXPECT_EQ(duration, 0u);
        EXPECT_EQ(ReadWMA(2, &data, &bytes, nullptr, 1.0), -1);
        CloseWMA(2);
    }
}

// A FIFO or a device named like a WAV file is refused at once, never waited on.
TEST_F(WavBadInputTest, SpecialFilesAreRefusedWithoutBlocking) {
    const std::string fifo = dir / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    uint64_t duration = 0;
    EXPECT_EQ(OpenWAV(fifo.c_str(), 0), nullptr);
    EXPECT_EQ(OpenWMA(0, fifo.c_str(), 0, &duration), 0);
    EXPECT_EQ(CreateWAVHeader(fifo.c_str(), 44100, 16, 2), -1);
    EXPECT_EQ(OpenWAV("/dev/zero", 0), nullptr);
}

TEST_F(WavBadInputTest, RandomBytesEmptyFilesAndFoldersAreRefused) {
    std::mt19937 random(7);
    Bytes noise(4096);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    EXPECT_EQ(Open(noise), nullptr);
    EXPECT_EQ(Open(Bytes{}), nullptr);
    EXPECT_EQ(OpenWAV(dir.path().c_str(), 0), nullptr);
    EXPECT_EQ(OpenWAV((dir / "does-not-exist.wav").c_str(), 0), nullptr);
    EXPECT_EQ(OpenWAV(nullptr, 0), nullptr);
}

TEST_F(WavBadInputTest, DataLongerThanTheFileReadsWhatExists) {
    Bytes image = SimpleWav(44100, 16, 2, Bytes(100, 3));
    image[40] = 0x00;  // declare 0x10000 bytes of data
    image[41] = 0x00;
    image[42] = 0x01;
    const WavInfo* info = Open(image);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->dataBytes, 0x10000u);
    char buffer[4096];
    EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), 100);
    EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), 0);
    EXPECT_EQ(ReadWAV(0, -5, buffer), 0);
    EXPECT_EQ(ReadWAV(0, 10, nullptr), 0);
}

}  // namespace
