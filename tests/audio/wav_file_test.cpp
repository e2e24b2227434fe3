// Reading and writing WAV files through the slot interface.
#include <gtest/gtest.h>
#include <sys/stat.h>
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
        WriteFile(dir / "in.wav", image);
        return OpenWAV((dir / "in.wav").c_str(), slot);
    }
    TempDir dir;
};

TEST_F(WavFileTest, OpensAroundOtherChunksAndPadBytes) {
    Bytes chunks;
    AppendChunk(chunks, "junk", Bytes(3, 0xAA));  // odd: skipped with its pad byte
    AppendChunk(chunks, "fmt ", FormatRecord(1, 2, 48000, 16));
    AppendChunk(chunks, "LIST", Bytes(10, 'x'));
    AppendChunk(chunks, "data", Pcm(400));
    const WavInfo* info = Open(RiffWave(chunks));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->sampleRate, 48000u);
    EXPECT_EQ(info->bitsPerSample, 16u);
    EXPECT_EQ(info->channels, 2u);
    EXPECT_EQ(info->blockAlign, 4u);
    EXPECT_EQ(info->formatTag, 1);
    EXPECT_EQ(info->dataBytes, 400u);
    EXPECT_EQ(info->dataOffset, 12u + 12 + 24 + 18 + 8);

    char buffer[400];
    ASSERT_EQ(ReadWAV(0, 400, buffer), 400);
    EXPECT_EQ(Bytes(buffer, buffer + 400), Pcm(400));
}

TEST_F(WavFileTest, SixteenAndEighteenByteFormatChunksAgree) {
    Bytes fmt18 = FormatRecord(1, 1, 22050, 8);
    AppendLe16(fmt18, 0);
    Bytes a, b;
    AppendChunk(a, "fmt ", FormatRecord(1, 1, 22050, 8));
    AppendChunk(a, "data", Pcm(10));
    AppendChunk(b, "fmt ", fmt18);
    AppendChunk(b, "data", Pcm(10));
    const WavInfo infoA = *Open(RiffWave(a), 1);
    const WavInfo* infoB = Open(RiffWave(b), 2);
    ASSERT_NE(infoB, nullptr);
    EXPECT_EQ(infoA.sampleRate, infoB->sampleRate);
    EXPECT_EQ(infoA.blockAlign, infoB->blockAlign);
    EXPECT_EQ(infoA.dataBytes, infoB->dataBytes);
    EXPECT_EQ(infoA.dataOffset + 2, infoB->dataOffset);
}

TEST_F(WavFileTest, DataBeforeFormatIsNotFound) {
    Bytes chunks;
    AppendChunk(chunks, "data", Pcm(8));
    AppendChunk(chunks, "fmt ", FormatRecord(1, 2, 44100, 16));
    EXPECT_EQ(Open(RiffWave(chunks)), nullptr);
}

TEST_F(WavFileTest, ReadsStopAtTheEndOfTheDataChunk) {
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(1, 2, 44100, 16));
    AppendChunk(chunks, "data", Pcm(100));
    AppendChunk(chunks, "LIST", Bytes(200, 'z'));
    ASSERT_NE(Open(RiffWave(chunks)), nullptr);
    char buffer[64];
    EXPECT_EQ(ReadWAV(0, 64, buffer), 64);
    EXPECT_EQ(ReadWAV(0, 64, buffer), 36);  // crosses the end: only data bytes count
    EXPECT_EQ(ReadWAV(0, 64, buffer), 0);
    EXPECT_EQ(ReadWAV(0, 64, buffer), 0);
}

TEST_F(WavFileTest, SeekingWithinTheData) {
    ASSERT_NE(Open(SimpleWav(44100, 16, 2, Pcm(400))), nullptr);
    EXPECT_EQ(SeekWAV(0, 400), -1);
    EXPECT_EQ(SeekWAV(0, 396), 396);
    char buffer[16];
    EXPECT_EQ(ReadWAV(0, 16, buffer), 4);
    const Bytes pcm = Pcm(400);
    EXPECT_EQ(Bytes(buffer, buffer + 4), Bytes(pcm.end() - 4, pcm.end()));
    EXPECT_EQ(SeekWAV(0, 0), 0);
    EXPECT_EQ(ReadWAV(0, 16, buffer), 16);
}

bool Finalise(const std::string& path) {
    tonekit::audio::WavFileWriter writer;
    return writer.Append(path.c_str()) && writer.Finish();
}

// Slots are independent; closing twice is harmless; numbers outside 0-9 are
// refused by every call.
TEST_F(WavFileTest, SlotsAreIndependentAndBounded) {
    WriteFile(dir / "a.wav", SimpleWav(44100, 16, 2, Pcm(8)));
    WriteFile(dir / "b.wav", SimpleWav(8000, 8, 1, Pcm(3)));
    const WavInfo* a = OpenWAV((dir / "a.wav").c_str(), 0);
    const WavInfo* b = OpenWAV((dir / "b.wav").c_str(), 9);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->sampleRate, 44100u);
    EXPECT_EQ(b->sampleRate, 8000u);
    CloseWAV(0);
    CloseWAV(0);
    char buffer[8];
    EXPECT_EQ(ReadWAV(0, 8, buffer), 0);
    EXPECT_EQ(ReadWAV(9, 8, buffer), 3);
    for (int slot : {-1, 10, 1 << 30}) {
        EXPECT_EQ(OpenWAV((dir / "a.wav").c_str(), slot), nullptr);
        EXPECT_EQ(ReadWAV(slot, 8, buffer), 0);
        EXPECT_EQ(SeekWAV(slot, 0), -1);
        CloseWAV(slot);
    }
}

TEST_F(WavFileTest, CreatedHeaderMatchesTemplateAndFormat) {
    const std::string path = dir / "h.wav";
    ASSERT_EQ(CreateWAVHeader(path.c_str(), 44100, 16, 2), 0);
    const auto& tpl = tonekit::audio::WavHeaderTemplate();
    EXPECT_EQ(ReadFile(path), Bytes(tpl.begin(), tpl.end()));
    Bytes canonical = SimpleWav(44100, 16, 2, Bytes{});
    canonical[4] = 0;  // both sizes 0 until finalised
    EXPECT_EQ(ReadFile(path), canonical);

    ASSERT_EQ(CreateWAVHeader(path.c_str(), 22050, 8, 1), 0);
    const Bytes h = ReadFile(path);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(Le32At(h, 24), 22050u);
    EXPECT_EQ(Le32At(h, 28), 22050u);  // byte rate
    EXPECT_EQ(h[32], 1);               // block align
    EXPECT_EQ(h[34], 8);
    EXPECT_EQ(Le32At(h, 4), 0u);
    EXPECT_EQ(Le32At(h, 40), 0u);
}

TEST_F(WavFileTest, FinalisationSetsBothSizes) {
    const std::string path = dir / "f.wav";
    ASSERT_EQ(CreateWAVHeader(path.c_str(), 44100, 16, 2), 0);
    FILE* f = fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    const Bytes pcm = Pcm(1000);
    fwrite(pcm.data(), 1, pcm.size(), f);
    fclose(f);
    ASSERT_TRUE(Finalise(path));
    const Bytes b = ReadFile(path);
    EXPECT_EQ(Le32At(b, 40), 1000u);
    EXPECT_EQ(Le32At(b, 4), 1036u);
    const WavInfo* info = OpenWAV(path.c_str(), 0);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->dataBytes, 1000u);

    // Past 4 GiB both fields hold the largest sizes that fit (a sparse file).
    ASSERT_EQ(truncate(path.c_str(), 5ll << 30), 0);
    ASSERT_TRUE(Finalise(path));
    FILE* g = fopen(path.c_str(), "rb");
    uint8_t header[44];
    ASSERT_EQ(fread(header, 1, 44, g), 44u);
    fclose(g);
    const Bytes h(header, header + 44);
    EXPECT_EQ(Le32At(h, 40), 0xFFFFFFFFu - 36);
    EXPECT_EQ(Le32At(h, 4), 0xFFFFFFFFu);
}

TEST_F(WavFileTest, CreatingWhereNoFileCanBeMadeFailsAndTouchesNothing) {
    EXPECT_EQ(CreateWAVHeader((dir / "missing/x.wav").c_str(), 44100, 16, 2), -1);
    EXPECT_EQ(CreateWAVHeader(nullptr, 44100, 16, 2), -1);
    EXPECT_EQ(CreateWAVHeader("/dev/full", 44100, 16, 2), -1);
    struct stat st;
    EXPECT_EQ(stat("/dev/full", &st), 0);
}

}  // namespace
