// Reading and writing WAV files through the slot interface.
#include <gtest/gtest.h>
#include <unistd.h>

#include "audio/wav_file_writer.h"
#include "audio/wav_format.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

Bytes Pcm(size_t bytes) {
    Bytes b(bytes);
    for (size_t i = 0; i < bytes; ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
    return b;
}

class WavFileTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (int slot = 0; slot < 10; ++slot) CloseWAV(slot);
    }
    WavInfo* Open(const Bytes& image, int slot = 0) {
        const std::string path = dir / ("in" + std::to_string(slot) + ".wav");
        WriteFile(path, image);
        return OpenWAV(path.c_str(), slot);
    }
    Bytes Read(int32_t count, int slot = 0) {
        Bytes buffer(static_cast<size_t>(count));
        buffer.resize(
            static_cast<size_t>(ReadWAV(slot, count, reinterpret_cast<char*>(buffer.data()))));
        return buffer;
    }
    TempDir dir;
};

// Other chunks, odd sizes' pad bytes and an 18-byte format are skipped; reads end with the data
// chunk, seeks stay within it.
TEST_F(WavFileTest, ReadsTheDataChunkAroundOtherChunks) {
    Bytes chunks;
    AppendChunk(chunks, "junk", Bytes(3, 0xAA));
    Bytes format = FormatRecord(1, 2, 48000, 16);
    AppendLe16(format, 0);  // the 18-byte form
    AppendChunk(chunks, "fmt ", format);
    AppendChunk(chunks, "LIST", Bytes(10, 'x'));
    AppendChunk(chunks, "data", Pcm(400));
    AppendChunk(chunks, "LIST", Bytes(200, 'z'));
    const WavInfo* info = Open(RiffWave(chunks));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ((std::vector<uint32_t>{info->sampleRate, info->bitsPerSample, info->channels,
                                     info->dataOffset, info->dataBytes, info->blockAlign,
                                     info->formatTag}),
              (std::vector<uint32_t>{48000, 16, 2, 12 + 12 + 26 + 18 + 8, 400, 4, 1}));
    const Bytes pcm = Pcm(400);
    EXPECT_EQ(Read(300), Bytes(pcm.begin(), pcm.begin() + 300));
    EXPECT_EQ(Read(300), Bytes(pcm.begin() + 300, pcm.end()));
    EXPECT_EQ(Read(64).size(), 0u);
    EXPECT_EQ(SeekWAV(0, 400), -1);
    EXPECT_EQ(SeekWAV(0, 396), 396);
    EXPECT_EQ(Read(16), Bytes(pcm.end() - 4, pcm.end()));
}

// Slots are independent; numbers outside 0-9 are refused by every call.
TEST_F(WavFileTest, SlotsAreIndependentAndBounded) {
    ASSERT_NE(Open(SimpleWav(44100, 16, 2, Pcm(8)), 0), nullptr);
    ASSERT_NE(Open(SimpleWav(8000, 8, 1, Pcm(3)), 9), nullptr);
    CloseWAV(0);
    EXPECT_EQ(Read(8, 0).size(), 0u);
    EXPECT_EQ(Read(8, 9).size(), 3u);
    char buffer[8];
    for (int slot : {-1, 10, 1 << 30}) {
        EXPECT_EQ(OpenWAV((dir / "in9.wav").c_str(), slot), nullptr);
        EXPECT_EQ(ReadWAV(slot, 8, buffer), 0);
        EXPECT_EQ(SeekWAV(slot, 0), -1);
    }
}

// The header a file starts with, and both sizes set when it is finalised; past
// 4 GiB both hold the largest sizes that fit (a sparse file).
TEST_F(WavFileTest, CreatedHeaderAndFinalisation) {
    const std::string path = dir / "f.wav";
    ASSERT_EQ(CreateWAVHeader(path.c_str(), 22050, 8, 1), 0);
    Bytes canonical = SimpleWav(22050, 8, 1, Bytes{});
    canonical[4] = 0;  // both sizes 0 until finalised
    EXPECT_EQ(ReadFile(path), canonical);
    ASSERT_EQ(CreateWAVHeader(path.c_str(), 44100, 16, 2), 0);
    Bytes image = ReadFile(path);
    const Bytes pcm = Pcm(1000);
    image.insert(image.end(), pcm.begin(), pcm.end());
    WriteFile(path, image);
    for (off_t length : {44 + 1000ll, 5ll << 30}) {
        ASSERT_EQ(truncate(path.c_str(), length), 0);
        tonekit::audio::WavFileWriter writer;
        ASSERT_TRUE(writer.Append(path.c_str()) && writer.Finish());
        FILE* f = fopen(path.c_str(), "rb");
        uint8_t header[44];
        ASSERT_EQ(fread(header, 1, 44, f), 44u);
        fclose(f);
        const uint64_t data = std::min<uint64_t>(length - 44, 0xFFFFFFFFu - 36);
        EXPECT_EQ(Le32At(Bytes(header, header + 44), 40), data);
        EXPECT_EQ(Le32At(Bytes(header, header + 44), 4), data + 36);
    }
    EXPECT_EQ(CreateWAVHeader((dir / "missing/x.wav").c_str(), 44100, 16, 2), -1);
    EXPECT_EQ(CreateWAVHeader("/dev/full", 44100, 16, 2), -1);
    EXPECT_EQ(access("/dev/full", F_OK), 0);
}

}  // namespace
