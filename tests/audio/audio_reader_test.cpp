// The compressed-audio reader against ffmpeg on files made by the real tools,
// and its WAV path.
#include <gtest/gtest.h>

#include <cstdlib>

#include "peer_tools.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

struct Decoded {
    std::vector<int16_t> samples;
    uint64_t duration = 0, firstTime = 0;
    int blocks = 0, lastPercent = 0;
};

Decoded ReadAll(const std::string& path, double speed = 1.0, uint64_t start = 0,
                size_t enough = SIZE_MAX) {
    Decoded d;
    EXPECT_EQ(OpenWMA(3, path.c_str(), start, &d.duration), 1) << path;
    char* data = nullptr;
    int32_t bytes = 0;
    uint64_t time = 0;
    for (int percent;
         d.samples.size() < enough && (percent = ReadWMA(3, &data, &bytes, &time, speed)) >= 0;) {
        const auto* s = reinterpret_cast<const int16_t*>(data);
        d.samples.insert(d.samples.end(), s, s + bytes / 2);
        std::free(data);
        if (d.blocks++ == 0) d.firstTime = time;
        d.lastPercent = percent;
    }
    CloseWMA(3);
    return d;
}

class CompressedReaderPeers : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        MakeMusicLikeWav(*dir_ / "music.wav");
        MakeMusicLikeWav(*dir_ / "music22k.wav", 22050, 1);
        MakeMusicLikeWav(*dir_ / "music48k.wav", 48000, 2);
        for (const char* made :
             {"lame --quiet -b 128 --cbr music.wav cbr.mp3", "lame --quiet -V 4 music.wav vbr.mp3",
              "ffmpeg -v quiet -i music.wav -c:a wmav2 -b:a 128k music.wma",
              "sox music22k.wav mono22k.flac", "sox music48k.wav stereo48k.flac"})
            RunCommand("cd " + Quote(dir_->path()) + " && " + made);
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
        const auto theirs = FfmpegDecode(path, mono ? "pan=stereo|c0=c0|c1=c0" : "");
        ASSERT_FALSE(theirs.empty());
        EXPECT_LE(std::labs(static_cast<long>(ours.samples.size() - theirs.size())) / 2, 4608);
        EXPECT_GE(AlignedSnr(theirs, ours.samples), 60.0);
        EXPECT_NEAR(ours.duration / 1e7, std::stod(Probe(path, "format=duration")), 0.030);
        EXPECT_GE(ours.lastPercent, 95);
    }
    uint64_t duration = 0;
    ASSERT_EQ(OpenWMA(2, (*dir_ / "mono22k.flac").c_str(), 0, &duration), 1);
    EXPECT_EQ(GetFormatWMA(2)->channels, 1);
    EXPECT_EQ(GetFormatWMA(2)->samplesPerSec, 44100u);
    CloseWMA(2);
    const double fast = ReadAll(*dir_ / "music.wma", 2.0).samples.size();
    EXPECT_NEAR(fast / ReadAll(*dir_ / "music.wma").samples.size(), 0.5, 0.01);
}

// Reading from a start time begins at that time, not at the packet before it:
// what comes out lines up with a whole decode from that frame on.
TEST_F(CompressedReaderPeers, StartTimeStartsExactlyThere) {
    for (const char* name : {"cbr.mp3", "music.wma"}) {
        SCOPED_TRACE(name);
        const uint64_t start = 13000000;
        const Decoded whole = ReadAll(*dir_ / name);
        const Decoded from = ReadAll(*dir_ / name, 1.0, start, 2 * 44100);
        EXPECT_EQ(from.firstTime, start);
        const std::vector<int16_t> tail(whole.samples.begin() + 2 * 57330, whole.samples.end());
        EXPECT_EQ(BestLag(tail, from.samples, 3000), 0);
        EXPECT_GE(AlignedSnr(tail, from.samples, 0), 30.0);
    }
}

// WAV inputs go through the rate converter, 2,048 source frames a read, and
// start at whole seconds; at a few hertz, a legal WAV rate, each read still
// makes a block of bounded size (2,048 frames at 1 Hz would be 90 million).
TEST(CompressedReaderWav, WavInputsGoThroughTheRateConverter) {
    TempDir dir;
    std::vector<int16_t> pcm(3 * 44100 * 2);
    for (size_t i = 0; i < pcm.size(); i += 2) {
        pcm[i] = static_cast<int16_t>(i / 88200 * 1000 + 1000);
        pcm[i + 1] = static_cast<int16_t>(-pcm[i]);
    }
    WriteFile(dir / "a.WaV", SimpleWav(44100, 16, 2, Samples16(pcm)));
    const Decoded d = ReadAll(dir / "a.WaV");
    ASSERT_EQ(d.samples.size(), pcm.size());
    EXPECT_EQ(d.samples[1], -999);
    EXPECT_EQ(d.blocks, 65);
    EXPECT_EQ(d.lastPercent, 100);
    EXPECT_EQ(ReadAll(dir / "a.WaV", 1.0, 25000000).samples[0], 2999);  // second 2 holds 3000
    WriteFile(dir / "b.wav", SimpleWav(22050, 8, 1, Bytes(22050, 0x80)));
    EXPECT_EQ(ReadAll(dir / "b.wav").samples.size(), 44100u * 2);

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

TEST_F(CompressedReaderPeers, UnreadableFilesAreRefusedAndCorruptionSurvived) {
    TempDir dir;
    WriteFile(dir / "empty.wma", Bytes{});
    WriteFile(dir / "text.mp3", Bytes(2000, 'a'));
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(3, 2, 44100, 32));
    AppendChunk(chunks, "data", Bytes(64, 0));
    WriteFile(dir / "float.wav", RiffWave(chunks));
    for (auto [copy, from] : {std::pair{"c.mp3", "cbr.mp3"}, {"c.wma", "music.wma"}})
        WriteFile(dir / copy, ReadFile(*dir_ / from));
    Bytes mp3 = ReadFile(dir / "c.mp3");
    WriteFile(dir / "truncated.mp3", Bytes(mp3.begin(), mp3.begin() + 100));
    for (const char* name :
         {"empty.wma", "text.mp3", "float.wav", "truncated.mp3", "missing.mp3"}) {
        uint64_t duration = 77;
        EXPECT_EQ(OpenWMA(5, (dir / name).c_str(), 0, &duration), 0) << name;
        EXPECT_EQ(duration, 0u) << name;
        CloseWMA(5);
    }
    uint64_t duration = 0;
    EXPECT_EQ(OpenWMA(10, (dir / "c.mp3").c_str(), 0, &duration), 0);
    char* data = nullptr;
    int32_t bytes = 0;
    EXPECT_EQ(ReadWMA(6, &data, &bytes, nullptr, 1.0), -1);  // never opened
    for (const char* name : {"c.mp3", "c.wma"}) {
        Bytes file = ReadFile(dir / name);
        for (size_t i = file.size() / 3; i < file.size() / 3 + 4000; ++i)
            file[i] = static_cast<uint8_t>(i * 131);
        WriteFile(dir / name, file);
        EXPECT_GT(ReadAll(dir / name).samples.size(), 0u) << name;
    }
}

}  // namespace
