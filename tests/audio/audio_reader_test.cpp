// The compressed-audio reader against ffmpeg on files made by the real tools,
// and its WAV path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "audio/block_rate.h"
#include "peer_tools.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

struct Decoded {
    std::vector<int16_t> samples;
    uint64_t duration = 0;
    int blocks = 0;
    int lastPercent = 0;
};

Decoded ReadAll(const std::string& path, double speed = 1.0, int slot = 0) {
    Decoded d;
    EXPECT_EQ(OpenWMA(slot, path.c_str(), 0, &d.duration), 1) << path;
    char* data = nullptr;
    int32_t bytes = 0;
    uint64_t time = 0;
    int32_t percent;
    while ((percent = ReadWMA(slot, &data, &bytes, &time, speed)) >= 0) {
        const auto* s = reinterpret_cast<const int16_t*>(data);
        d.samples.insert(d.samples.end(), s, s + bytes / 2);
        std::free(data);
        ++d.blocks;
        d.lastPercent = percent;
    }
    CloseWMA(slot);
    return d;
}

class CompressedReaderPeers : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        MakeMusicLikeWav(*dir_ / "music.wav");
        MakeMusicLikeWav(*dir_ / "music22k.wav", 22050, 1);
        MakeMusicLikeWav(*dir_ / "music48k.wav", 48000, 2);
        const std::string in = *dir_ / "music.wav";
        RunCommand("lame --quiet -b 128 --cbr '" + in + "' '" + *dir_ / "cbr.mp3" + "'");
        RunCommand("lame --quiet -V 4 '" + in + "' '" + *dir_ / "vbr.mp3" + "'");
        RunCommand("ffmpeg -v quiet -i '" + in + "' -c:a wmav2 -b:a 128k '" + *dir_ / "music.wma" +
                   "'");
        RunCommand("sox '" + *dir_ / "music22k.wav" + "' '" + *dir_ / "mono22k.flac" + "'");
        RunCommand("sox '" + *dir_ / "music48k.wav" + "' '" + *dir_ / "stereo48k.flac" + "'");
    }
    static void TearDownTestSuite() { delete dir_; }
    static TempDir* dir_;
};

TempDir* CompressedReaderPeers::dir_ = nullptr;

TEST_F(CompressedReaderPeers, DecodesLikeFfmpeg) {
    for (const char* name : {"cbr.mp3", "vbr.mp3", "music.wma", "mono22k.flac", "stereo48k.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = *dir_ / name;
        const Decoded ours = ReadAll(path);
        // ffmpeg's own mono-to-stereo mix lowers both sides by 3 dB; the reader
        // duplicates the channel, which the pan filter does too.
        const bool mono = std::string(name).starts_with("mono");
        const std::vector<int16_t> theirs =
            FfmpegDecode(path, mono ? "pan=stereo|c0=c0|c1=c0" : "");
        ASSERT_FALSE(theirs.empty());
        const long difference =
            static_cast<long>(ours.samples.size()) - static_cast<long>(theirs.size());
        EXPECT_LE(std::labs(difference) / 2, 4608) << "frames";
        const double snr = AlignedSnr(theirs, ours.samples);
        RecordProperty(std::string("snr_db_") + name, std::to_string(snr));
        EXPECT_GE(snr, 60.0);

        const double probed = std::stod(Probe(path, "format=duration"));
        EXPECT_NEAR(static_cast<double>(ours.duration) / 1e7, probed, 0.030);
        EXPECT_GE(ours.lastPercent, 95);
    }
}

TEST_F(CompressedReaderPeers, FormatDescribesTheDecodedStream) {
    uint64_t duration = 0;
    ASSERT_EQ(OpenWMA(2, (*dir_ / "mono22k.flac").c_str(), 0, &duration), 1);
    const WaveFormatEx* f = GetFormatWMA(2);
    EXPECT_EQ(f->formatTag, 1);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samplesPerSec, 44100u);
    EXPECT_EQ(f->avgBytesPerSec, 88200u);
    EXPECT_EQ(f->blockAlign, 2);
    EXPECT_EQ(f->bitsPerSample, 16);
    EXPECT_EQ(f->extraSize, 0);
    CloseWMA(2);
    static_assert(sizeof(WaveFormatEx) == 18);
}

TEST_F(CompressedReaderPeers, SpeedTwoHalvesTheOutput) {
    const Decoded normal = ReadAll(*dir_ / "music.wma");
    const Decoded fast = ReadAll(*dir_ / "music.wma", 2.0);
    EXPECT_NEAR(static_cast<double>(fast.samples.size()) / normal.samples.size(), 0.5, 0.01);
}

// Reading from a start time begins at that time, not at the packet before it:
// what comes out lines up with a whole decode from that frame on.
TEST_F(CompressedReaderPeers, StartTimeStartsExactlyThere) {
    for (const char* name : {"cbr.mp3", "music.wma"}) {
        for (uint64_t start : {10000000u, 13000000u}) {
            SCOPED_TRACE(std::string(name) + " from " + std::to_string(start));
            const std::string path = *dir_ / name;
            const Decoded whole = ReadAll(path);
            uint64_t duration = 0, time = 0;
            ASSERT_EQ(OpenWMA(3, path.c_str(), start, &duration), 1);
            std::vector<int16_t> from;
            char* data = nullptr;
            int32_t bytes = 0;
            for (bool first = true;
                 from.size() < 2 * 44100 && ReadWMA(3, &data, &bytes, &time, 1.0) >= 0;
                 first = false) {
                if (first) {
                    EXPECT_EQ(time, start);
                }
                const auto* s = reinterpret_cast<const int16_t*>(data);
                from.insert(from.end(), s, s + bytes / 2);
                std::free(data);
            }
            CloseWMA(3);
            const size_t skip = 2 * static_cast<size_t>(start * 44100 / 10000000);
            const std::vector<int16_t> tail(whole.samples.begin() + static_cast<long>(skip),
                                            whole.samples.end());
            EXPECT_EQ(BestLag(tail, from, 3000), 0);
            EXPECT_GE(AlignedSnr(tail, from, 0), 30.0);
        }
    }
}

TEST(CompressedReaderWav, WavInputsGoThroughTheRateConverter) {
    TempDir dir;
    std::vector<int16_t> pcm;
    for (int i = 0; i < 44100; ++i) {
        pcm.push_back(1000);
        pcm.push_back(-1000);
    }
    WriteFile(dir / "a.wav", SimpleWav(44100, 16, 2, Samples16(pcm)));
    const Decoded d = ReadAll(dir / "a.wav");
    EXPECT_EQ(d.duration, 9966600u);
    ASSERT_EQ(d.samples.size(), pcm.size());
    EXPECT_EQ(d.samples[0], 999);
    EXPECT_EQ(d.samples[1], -999);
    EXPECT_EQ(d.blocks, 22);  // 2,048 frames per read
    EXPECT_EQ(d.lastPercent, 100);

    WriteFile(dir / "b.WaV", SimpleWav(22050, 8, 1, Bytes(22050, 0x80)));
    EXPECT_EQ(ReadAll(dir / "b.WaV").samples.size(), 44100u * 2);
}

// A few hertz is a legal WAV rate; each read still makes a block of bounded
// size (2,048 source frames at 1 Hz would be 90 million output frames).
TEST(CompressedReaderWav, BlocksStayBoundedAtTinyRates) {
    TempDir dir;
    WriteFile(dir / "slow.wav", SimpleWav(1, 16, 2, Bytes(16384, 1)));
    uint64_t duration = 0;
    ASSERT_EQ(OpenWMA(0, (dir / "slow.wav").c_str(), 0, &duration), 1);
    char* data = nullptr;
    int32_t bytes = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_GE(ReadWMA(0, &data, &bytes, nullptr, 0.5), 0);
        EXPECT_LE(bytes, 4 * 2 * 44101);
        std::free(data);
    }
    CloseWMA(0);
}

TEST(CompressedReaderWav, StartTimeSeeksToWholeSeconds) {
    TempDir dir;
    std::vector<int16_t> pcm(3 * 44100 * 2);
    for (size_t i = 0; i < pcm.size(); i += 2)
        pcm[i] = pcm[i + 1] = static_cast<int16_t>(i / 88200 * 1000 + 1000);
    WriteFile(dir / "s.wav", SimpleWav(44100, 16, 2, Samples16(pcm)));
    uint64_t duration = 0;
    ASSERT_EQ(OpenWMA(0, (dir / "s.wav").c_str(), 25000000, &duration), 1);
    char* data = nullptr;
    int32_t bytes = 0;
    uint64_t time = 0;
    ASSERT_GE(ReadWMA(0, &data, &bytes, &time, 1.0), 0);
    EXPECT_EQ(reinterpret_cast<int16_t*>(data)[0], 2999);  // second 2 holds 3000
    std::free(data);
    CloseWMA(0);
}

TEST(CompressedReaderBadInput, UnreadableFilesAreRefused) {
    TempDir dir;
    WriteFile(dir / "empty.wma", Bytes{});
    WriteFile(dir / "text.mp3", Bytes(2000, 'a'));
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(3, 2, 44100, 32));
    AppendChunk(chunks, "data", Bytes(64, 0));
    WriteFile(dir / "float.wav", RiffWave(chunks));
    MakeMusicLikeWav(dir / "m.wav");
    RunCommand("lame --quiet -b 128 '" + dir / "m.wav" + "' '" + dir / "full.mp3" + "'");
    Bytes mp3 = ReadFile(dir / "full.mp3");
    WriteFile(dir / "truncated.mp3", Bytes(mp3.begin(), mp3.begin() + 100));
    for (const char* name :
         {"empty.wma", "text.mp3", "float.wav", "truncated.mp3", "missing.mp3"}) {
        uint64_t duration = 77;
        EXPECT_EQ(OpenWMA(5, (dir / name).c_str(), 0, &duration), 0) << name;
        EXPECT_EQ(duration, 0u) << name;
        CloseWMA(5);
    }
    uint64_t duration = 0;
    EXPECT_EQ(OpenWMA(10, (dir / "full.mp3").c_str(), 0, &duration), 0);
    char* data = nullptr;
    int32_t bytes = 0;
    EXPECT_EQ(ReadWMA(6, &data, &bytes, nullptr, 1.0), -1);  // never opened
    EXPECT_EQ(data, nullptr);
}

TEST(CompressedReaderBadInput, CorruptionInTheMiddleIsSurvived) {
    TempDir dir;
    MakeMusicLikeWav(dir / "m.wav");
    RunCommand("lame --quiet -b 128 '" + dir / "m.wav" + "' '" + dir / "c.mp3" + "'");
    RunCommand("ffmpeg -v quiet -i '" + dir / "m.wav" + "' -c:a wmav2 '" + dir / "c.wma" + "'");
    for (const char* name : {"c.mp3", "c.wma"}) {
        Bytes file = ReadFile(dir / name);
        for (size_t i = file.size() / 3; i < file.size() / 3 + 4000; ++i)
            file[i] = static_cast<uint8_t>(i * 131);
        WriteFile(dir / name, file);
        const Decoded d = ReadAll(dir / name);
        EXPECT_GT(d.samples.size(), 0u) << name;
    }
}

}  // namespace
