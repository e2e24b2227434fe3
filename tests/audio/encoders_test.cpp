// WAV2MP3, WAV2WMA and WMA2WAV judged by ffprobe, ffmpeg and sox.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "audio/blade_encoder.h"
#include "library.h"
#include "peer_tools.h"
#include "test_support.h"
#include "tonekit.h"
#include "util/dynamic_library.h"
#include "util/message.h"

using namespace testing_support;

namespace {

int32_t StopAtOnce(int32_t) {
    return 1;
}
int32_t StopAfterAFewPercent(int32_t percent) {
    return percent > 0;
}
int32_t StopAfterFirstBlock(int32_t percent) {
    return percent >= 0;
}

class Encoders : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tonekit::LibraryAttach();
        dir_ = new TempDir;
        MakeMusicLikeWav(*dir_ / "scratch.wav");  // 5 s at 44,100 Hz 16-bit stereo
    }
    static void TearDownTestSuite() {
        delete dir_;
        tonekit::LibraryDetach();
    }
    static std::string Path(const std::string& name) { return *dir_ / name; }
    static size_t SourceFrames() { return (ReadFile(Path("scratch.wav")).size() - 44) / 4; }
    static TempDir* dir_;
};

TempDir* Encoders::dir_ = nullptr;

// Mode bits of the first MPEG audio frame header, and whether an Xing/Info tag
// follows it.
struct Mp3Header {
    int mode = -1;
    bool infoTag = false;
    int bitrateIndex = -1;
};

Mp3Header FirstFrame(const Bytes& mp3) {
    Mp3Header h;
    for (size_t i = 0; i + 200 < mp3.size(); ++i) {
        if (mp3[i] == 0xFF && (mp3[i + 1] & 0xE0) == 0xE0) {
            h.bitrateIndex = mp3[i + 2] >> 4;
            h.mode = mp3[i + 3] >> 6;
            const std::string head(mp3.begin() + static_cast<long>(i),
                                   mp3.begin() + static_cast<long>(i) + 200);
            h.infoTag =
                head.find("Xing") != std::string::npos || head.find("Info") != std::string::npos;
            break;
        }
    }
    return h;
}

TEST_F(Encoders, Mp3IsConstantRateMpeg1StereoWithoutInfoFrame) {
    const std::string out = Path("out.mp3");
    ASSERT_EQ(WAV2MP3(Path("scratch.wav").c_str(), out.c_str(), 128, 44100, nullptr), 0);
    EXPECT_EQ(Probe(out, "stream=codec_name"), "mp3");
    EXPECT_EQ(Probe(out, "stream=sample_rate"), "44100");
    EXPECT_EQ(Probe(out, "stream=channels"), "2");
    EXPECT_EQ(Probe(out, "stream=bit_rate"), "128000");
    const Mp3Header h = FirstFrame(ReadFile(out));
    EXPECT_EQ(h.mode, 0) << "stereo, not joint stereo";
    EXPECT_EQ(h.bitrateIndex, 9) << "128 kbit/s";
    EXPECT_FALSE(h.infoTag);
    const long frames = static_cast<long>(FfmpegDecode(out).size() / 2);
    EXPECT_NEAR(frames, static_cast<long>(SourceFrames()), 2 * 1152 + 1105 + 1152);
    EXPECT_GE(AlignedSnr(FfmpegDecode(Path("scratch.wav")), FfmpegDecode(out)), 10.0);
}

TEST_F(Encoders, WmaUsesTheProfileForTheBitrate) {
    for (int bitrate : {64, 128, 96}) {
        SCOPED_TRACE(bitrate);
        const std::string out = Path("out" + std::to_string(bitrate) + ".wma");
        ASSERT_EQ(WAV2WMA(Path("scratch.wav").c_str(), out.c_str(), bitrate, nullptr), 0);
        EXPECT_EQ(Probe(out, "format=format_name"), "asf");
        EXPECT_EQ(Probe(out, "stream=codec_name"), "wmav2");
        EXPECT_EQ(Probe(out, "stream=sample_rate"), "44100");
        EXPECT_EQ(Probe(out, "stream=channels"), "2");
        EXPECT_EQ(Probe(out, "stream=bit_rate"), bitrate == 64 ? "64000" : "128000");
    }
}

// Decoded, a WMA output holds every source frame where the source has it: the
// encoder's first frame, which decoders drop, carries no audio.
TEST_F(Encoders, WmaRoundTripKeepsEverySourceFrameInPlace) {
    const std::string out = Path("round.wma");
    ASSERT_EQ(WAV2WMA(Path("scratch.wav").c_str(), out.c_str(), 128, nullptr), 0);
    const auto source = FfmpegDecode(Path("scratch.wav"));
    const auto decoded = FfmpegDecode(out);
    EXPECT_GE(decoded.size(), source.size());
    EXPECT_LT(decoded.size(), source.size() + 2 * 2 * 2048);
    EXPECT_EQ(BestLag(source, decoded), 0);
    EXPECT_GE(AlignedSnr(source, decoded, 0), 15.0);
}

struct Encoder {
    const char* name;
    int32_t (*encode)(const char* source, const char* destination, ProgressCallback progress);
};

class Encoding : public Encoders, public ::testing::WithParamInterface<Encoder> {};

// Progress starts at 0 and rises to 100; a stop ends the file early, still
// complete and playable.
TEST_P(Encoding, ProgressRisesAndAStopKeepsAShorterPlayableFile) {
    static std::vector<int32_t> reports;
    reports.clear();
    const std::string whole = Path(std::string("whole-") + GetParam().name);
    const std::string stopped = Path(std::string("stopped-") + GetParam().name);
    ASSERT_EQ(GetParam().encode(Path("scratch.wav").c_str(), whole.c_str(),
                                [](int32_t p) {
                                    reports.push_back(p);
                                    return 0;
                                }),
              0);
    ASSERT_GT(reports.size(), 2u);
    EXPECT_EQ(reports.front(), 0);
    EXPECT_GE(reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    ASSERT_EQ(GetParam().encode(Path("scratch.wav").c_str(), stopped.c_str(), StopAfterAFewPercent),
              0);
    const auto played = FfmpegDecode(stopped);
    EXPECT_GT(played.size(), 0u);
    EXPECT_LT(played.size(), FfmpegDecode(whole).size());
}

INSTANTIATE_TEST_SUITE_P(
    Mp3AndWma, Encoding,
    ::testing::Values(Encoder{"mp3",
                              [](const char* s, const char* d, ProgressCallback p) {
                                  return WAV2MP3(s, d, 128, 44100, p);
                              }},
                      Encoder{"wma", [](const char* s, const char* d,
                                        ProgressCallback p) { return WAV2WMA(s, d, 128, p); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Encoders, DecodingToWavGivesAFinalisedCdFormatFile) {
    ASSERT_EQ(WAV2MP3(Path("scratch.wav").c_str(), Path("d.mp3").c_str(), 128, 44100, nullptr), 0);
    ASSERT_EQ(WAV2WMA(Path("scratch.wav").c_str(), Path("d.wma").c_str(), 128, nullptr), 0);
    for (const char* name : {"d.mp3", "d.wma"}) {
        SCOPED_TRACE(name);
        const std::string wav = Path(std::string(name) + ".wav");
        static std::vector<int32_t> reports;
        reports.clear();
        ASSERT_EQ(WMA2WAV(Path(name).c_str(), wav.c_str(),
                          [](int32_t p) {
                              reports.push_back(p);
                              return 0;
                          }),
                  0);
        EXPECT_EQ(reports.front(), -1);
        std::string info;
        ASSERT_EQ(RunCommand("sox --i -r '" + wav + "' && sox --i -c '" + wav +
                                 "' && sox --i -b '" + wav + "'",
                             &info),
                  0);
        EXPECT_EQ(info, "44100\n2\n16\n");
        const Bytes b = ReadFile(wav);
        EXPECT_EQ(Le32At(b, 40), b.size() - 44);
        EXPECT_EQ(Le32At(b, 4), b.size() - 8);
    }
}

TEST_F(Encoders, DecodingStoppedAfterTheFirstBlockKeepsThatBlock) {
    const std::string wav = Path("first.wav");
    ASSERT_EQ(WMA2WAV(Path("scratch.wav").c_str(), wav.c_str(), StopAfterFirstBlock), 0);
    const Bytes b = ReadFile(wav);
    EXPECT_EQ(Le32At(b, 40), 2048u * 4);
    EXPECT_EQ(b.size(), 44u + 2048 * 4);
}

TEST_F(Encoders, UnreadableSourceGivesAnEmptyWav) {
    WriteFile(Path("junk.mp3"), Bytes(100, 'j'));
    const std::string wav = Path("junk.wav");
    EXPECT_EQ(WMA2WAV(Path("junk.mp3").c_str(), wav.c_str(), nullptr), -1);
    const Bytes b = ReadFile(wav);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(Le32At(b, 40), 0u);
    EXPECT_EQ(Le32At(b, 4), 36u);
}

TEST_F(Encoders, MissingOrEmptyScratchIsAnEmptyInput) {
    EXPECT_EQ(WAV2MP3(Path("none.wav").c_str(), Path("none.mp3").c_str(), 128, 44100, nullptr), -1);
    EXPECT_EQ(WAV2WMA(Path("none.wav").c_str(), Path("none.wma").c_str(), 128, nullptr), -1);
    EXPECT_NE(access(Path("none.mp3").c_str(), F_OK), 0);
    EXPECT_NE(access(Path("none.wma").c_str(), F_OK), 0);
    WriteFile(Path("empty.wav"), Bytes{});
    EXPECT_EQ(WAV2MP3(Path("empty.wav").c_str(), Path("empty.mp3").c_str(), 128, 44100, StopAtOnce),
              0);
    EXPECT_EQ(WAV2WMA(Path("empty.wav").c_str(), Path("empty.wma").c_str(), 128, nullptr), 0);
}

std::string g_message;

TEST_F(Encoders, AbsentLameIsReportedAndWritesNothing) {
    tonekit::audio::AttachLame({Path("nowhere/libmp3lame.so.0")});
    const auto previous = tonekit::util::SetMessagePresenter(
        [](const char* text, const char* caption, tonekit::util::MessageIcon) {
            g_message = std::string(caption) + "|" + text;
        });
    EXPECT_EQ(WAV2MP3(Path("scratch.wav").c_str(), Path("absent.mp3").c_str(), 128, 44100, nullptr),
              -1);
    tonekit::util::SetMessagePresenter(previous);
    tonekit::audio::AttachLame(tonekit::util::LibraryCandidates("libmp3lame.so.0"));
    EXPECT_EQ(g_message, "ERROR|DLL NOT FOUND:\n\nLIBMP3LAME.SO.0");
    EXPECT_NE(access(Path("absent.mp3").c_str(), F_OK), 0);
}

TEST(BladeEncoder, ConfigurationIsHonoured) {
    ASSERT_TRUE(tonekit::audio::AttachLame(tonekit::util::LibraryCandidates("libmp3lame.so.0")));
    const auto* be = tonekit::audio::Lame();
    tonekit::audio::BeConfig c{};
    c.dwConfig = tonekit::audio::kBeConfigLame;
    c.dwSampleRate = 44100;
    c.nMode = tonekit::audio::kBeModeJointStereo;
    c.dwBitrate = 192;
    c.dwMpegVersion = 1;
    uint32_t samples = 0, bufferBytes = 0;
    tonekit::audio::BeStream stream = nullptr;
    ASSERT_EQ(be->beInitStream(&c, &samples, &bufferBytes, &stream), 0u);
    EXPECT_EQ(samples, 2304u);
    EXPECT_GE(bufferBytes, 7200u);
    std::vector<int16_t> pcm(samples * 20);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>((i * 37) % 2000);
    std::vector<uint8_t> mp3(bufferBytes);
    Bytes stream_bytes;
    for (size_t at = 0; at < pcm.size(); at += samples) {
        uint32_t written = 0;
        be->beEncodeChunk(stream, samples, pcm.data() + at, mp3.data(), &written);
        stream_bytes.insert(stream_bytes.end(), mp3.begin(), mp3.begin() + written);
    }
    uint32_t written = 0;
    be->beDeinitStream(stream, mp3.data(), &written);
    stream_bytes.insert(stream_bytes.end(), mp3.begin(), mp3.begin() + written);
    be->beCloseStream(stream);
    be->beWriteInfoTag(stream, nullptr);
    const Mp3Header h = FirstFrame(stream_bytes);
    EXPECT_EQ(h.bitrateIndex, 11) << "192 kbit/s";
    EXPECT_EQ(h.mode, 1) << "joint stereo";

    c.dwConfig = 0;  // not the LAME layout
    EXPECT_NE(be->beInitStream(&c, &samples, &bufferBytes, &stream), 0u);
}

}  // namespace
