// Whole-file WAV conversion: formats, progress and stop, refusals, full disks,
// and sox reading what was written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "audio/block_rate.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

void ExpectFinalised(const Bytes& file) {
    ASSERT_GE(file.size(), 44u);
    EXPECT_EQ(Le32At(file, 40), file.size() - 44);
    EXPECT_EQ(Le32At(file, 4), file.size() - 8);
}

class ResampleWavTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string src = dir / "src.wav";
    std::string dst = dir / "dst.wav";
};

TEST_F(ResampleWavTest, SameFormatKeepsEveryFrame) {
    const Bytes pcm = StereoRamp(10000);
    WriteFile(src, SimpleWav(44100, 16, 2, pcm));
    EXPECT_EQ(ResampleWAV(src.c_str(), dst.c_str(), 44100, 16, 2, 0, nullptr, nullptr, 1),
              dst.c_str());
    const Bytes out = ReadFile(dst);
    ExpectFinalised(out);
    ASSERT_EQ(out.size(), 44 + pcm.size());
    const Bytes header = SimpleWav(44100, 16, 2, {});
    EXPECT_EQ(Bytes(out.begin() + 8, out.begin() + 40),
              Bytes(header.begin() + 8, header.begin() + 40));
    const auto in = ToSamples16(pcm);
    const auto got = ToSamples16(Bytes(out.begin() + 44, out.end()));
    using namespace tonekit::audio;
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(got[i], UnitToSample(SampleToUnit(in[i]))) << i;
}

TEST_F(ResampleWavTest, RateWidthAndChannelsChange) {
    WriteFile(src, SimpleWav(22050, 8, 1, Bytes(22050, 0x90)));
    ASSERT_NE(ResampleWAV(src.c_str(), dst.c_str(), 44100, 16, 2, 0, nullptr, nullptr, 1), nullptr);
    Bytes out = ReadFile(dst);
    ExpectFinalised(out);
    EXPECT_EQ(Le32At(out, 24), 44100u);
    EXPECT_EQ(out.size() - 44, 44100u * 4);

    WriteFile(src, SimpleWav(44100, 16, 2, StereoRamp(44100)));
    ASSERT_NE(ResampleWAV(src.c_str(), dst.c_str(), 22050, 8, 1, 0, nullptr, nullptr, 0), nullptr);
    out = ReadFile(dst);
    EXPECT_EQ(Le32At(out, 24), 22050u);
    EXPECT_EQ(out[32], 1);
    EXPECT_EQ(out.size() - 44, 22050u);

    // Keeping the rate: half the frames, played faster at the source rate.
    WriteFile(src, SimpleWav(22050, 16, 2, StereoRamp(22050)));
    ASSERT_NE(ResampleWAV(src.c_str(), dst.c_str(), 44100, 16, 2, 1, nullptr, nullptr, 1), nullptr);
    out = ReadFile(dst);
    EXPECT_EQ(Le32At(out, 24), 22050u);
    EXPECT_EQ(out.size() - 44, 22050u / 2 * 4);
}

std::vector<int32_t> g_progress;
int32_t g_stopAnswer = 0;

TEST_F(ResampleWavTest, ProgressReportsAndStopsAfterTheFirstBlock) {
    WriteFile(src, SimpleWav(44100, 16, 2, StereoRamp(16384)));  // four 16384-byte blocks
    const auto run = [&](int32_t stop) {
        g_progress.clear();
        g_stopAnswer = stop;
        const auto report = [](int32_t p) { return g_progress.push_back(p), g_stopAnswer; };
        EXPECT_NE(ResampleWAV(src.c_str(), dst.c_str(), 44100, 16, 2, 0, report, nullptr, 1),
                  nullptr);
        return g_progress;
    };
    EXPECT_EQ(run(0), (std::vector<int32_t>{25, 50, 75, 100, 100, 0}));
    EXPECT_EQ(run(1), (std::vector<int32_t>{25, 0}));
    const Bytes out = ReadFile(dst);
    ExpectFinalised(out);
    EXPECT_EQ(out.size(), 44u + 16384);
}

TEST_F(ResampleWavTest, UnusableSourcesAndDestinationsWriteNothing) {
    auto refused = [&](const std::string& from, const std::string& to, int bits = 16,
                       int channels = 2) {
        return ResampleWAV(from.c_str(), to.c_str(), 44100, bits, channels, 0, nullptr, nullptr,
                           1) == nullptr;
    };
    EXPECT_TRUE(refused(dir / "missing.wav", dst));
    WriteFile(src, Bytes(100, 'x'));
    EXPECT_TRUE(refused(src, dst));
    Bytes chunks;
    AppendChunk(chunks, "fmt ", FormatRecord(3, 2, 44100, 32));  // float samples
    AppendChunk(chunks, "data", Bytes(64, 0));
    WriteFile(src, RiffWave(chunks));
    EXPECT_TRUE(refused(src, dst));
    EXPECT_NE(access(dst.c_str(), F_OK), 0);

    WriteFile(src, SimpleWav(1, 16, 2, StereoRamp(16384)));  // 1 Hz: 44,100 times apart
    EXPECT_TRUE(refused(src, dst));
    EXPECT_NE(access(dst.c_str(), F_OK), 0);

    WriteFile(src, SimpleWav(44100, 16, 2, StereoRamp(100)));
    EXPECT_TRUE(refused(src, dst, 24, 2));
    EXPECT_TRUE(refused(src, dst, 16, 6));
    EXPECT_NE(access(dst.c_str(), F_OK), 0);
}

TEST_F(ResampleWavTest, SoxReadsTheResult) {
    ASSERT_EQ(RunCommand("sox -n -r 48000 -b 16 -c 2 " + src + " synth 1.5 sine 1000 vol 0.5"), 0);
    ASSERT_NE(ResampleWAV(src.c_str(), dst.c_str(), 44100, 16, 2, 0, nullptr, nullptr, 1), nullptr);
    std::string info;
    ASSERT_EQ(
        RunCommand("sox --i -r " + dst + " && sox --i -c " + dst + " && sox --i -s " + dst, &info),
        0);
    EXPECT_EQ(info, "44100\n2\n66150\n");
}

}  // namespace
