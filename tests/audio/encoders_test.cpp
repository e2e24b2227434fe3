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
    static const char* Scratch() {
        static const std::string path = Path("scratch.wav");
        return path.c_str();
    }
    static TempDir* dir_;
};

TempDir* Encoders::dir_ = nullptr;

// The bit-rate index and mode of the first MPEG audio frame, and whether an
// Xing/Info tag follows it.
struct Mp3Header {
    int bitrateIndex = -1, mode = -1;
    bool infoTag = false;
};

Mp3Header FirstFrame(const Bytes& mp3) {
    for (size_t i = 0; i + 200 < mp3.size(); ++i) {
        if (mp3[i] != 0xFF || (mp3[i + 1] & 0xE0) != 0xE0) continue;
        const std::string head(mp3.begin() + static_cast<long>(i),
                               mp3.begin() + static_cast<long>(i) + 200);
        return {mp3[i + 2] >> 4, mp3[i + 3] >> 6,
                head.find("Xing") != std::string::npos || head.find("Info") != std::string::npos};
    }
    return {};
}

TEST_F(Encoders, Mp3IsConstantRateMpeg1StereoOfTheSamplesOnly) {
    const std::string out = Path("out.mp3");
    ASSERT_EQ(WAV2MP3(Scratch(), out.c_str(), 128, 44100, nullptr), 0);
    EXPECT_EQ(Probe(out, "stream=codec_name"), "mp3");
    const Mp3Header h = FirstFrame(ReadFile(out));
    EXPECT_EQ(h.bitrateIndex, 9) << "128 kbit/s";
    EXPECT_EQ(h.mode, 0) << "stereo, not joint stereo";
    EXPECT_FALSE(h.infoTag);
    const auto source = FfmpegDecode(Scratch());
    const auto decoded = FfmpegDecode(out);
    EXPECT_NEAR(decoded.size() / 2.0, source.size() / 2.0, 2 * 1152 + 1105 + 1152);
    EXPECT_GE(AlignedSnr(source, decoded), 10.0);

    // Silence stays silent: the WAV header is not encoded as a click.
    WriteFile(Path("silence.wav"), SimpleWav(44100, 16, 2, Bytes(44100 * 4, 0)));
    ASSERT_EQ(WAV2MP3(Path("silence.wav").c_str(), out.c_str(), 128, 44100, nullptr), 0);
    const auto quiet = FfmpegDecode(out);
    ASSERT_FALSE(quiet.empty());
    EXPECT_LE(*std::max_element(quiet.begin(), quiet.end()), 16);
}

// Decoded, a WMA output holds every source frame where the source has it: the
// encoder's first frame, which decoders drop, carries no audio. 64 kbit/s is
// its own profile; every other rate is 128.
TEST_F(Encoders, WmaRoundTripKeepsEverySourceFrameInPlace) {
    for (int bitrate : {96, 64}) {
        const std::string out = Path("round" + std::to_string(bitrate) + ".wma");
        ASSERT_EQ(WAV2WMA(Scratch(), out.c_str(), bitrate, nullptr), 0);
        EXPECT_EQ(Probe(out, "stream=codec_name"), "wmav2");
        EXPECT_EQ(Probe(out, "stream=bit_rate"), bitrate == 64 ? "64000" : "128000");
    }
    const auto source = FfmpegDecode(Scratch());
    const auto decoded = FfmpegDecode(Path("round96.wma"));
    EXPECT_GE(decoded.size(), source.size());
    EXPECT_LT(decoded.size(), source.size() + 2 * 2 * 2048);
    EXPECT_EQ(BestLag(source, decoded), 0);
    EXPECT_GE(AlignedSnr(source, decoded, 0), 15.0);
}

using Encode = int32_t (*)(const char* source, const char* destination, ProgressCallback progress);

class Encoding : public Encoders, public ::testing::WithParamInterface<Encode> {};

// Progress starts at 0 and rises to 100; a stop ends the file early, still
// complete and playable; a missing source makes no file, an empty one an empty file.
TEST_P(Encoding, ProgressRisesAndAStopKeepsAShorterPlayableFile) {
    static std::vector<int32_t> reports;
    reports.clear();
    const auto remember = [](int32_t p) { return reports.push_back(p), 0; };
    ASSERT_EQ(GetParam()(Scratch(), Path("whole").c_str(), remember), 0);
    ASSERT_GT(reports.size(), 2u);
    EXPECT_EQ(reports.front(), 0);
    EXPECT_GE(reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    const auto stopAfterAFewPercent = [](int32_t percent) { return percent > 0 ? 1 : 0; };
    ASSERT_EQ(GetParam()(Scratch(), Path("stopped").c_str(), stopAfterAFewPercent), 0);
    const auto played = FfmpegDecode(Path("stopped"));
    EXPECT_GT(played.size(), 0u);
    EXPECT_LT(played.size(), FfmpegDecode(Path("whole")).size());

    EXPECT_EQ(GetParam()(Path("none.wav").c_str(), Path("none").c_str(), nullptr), -1);
    EXPECT_NE(access(Path("none").c_str(), F_OK), 0);
    WriteFile(Path("empty.wav"), Bytes{});
    EXPECT_EQ(GetParam()(Path("empty.wav").c_str(), Path("empty").c_str(), nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Mp3AndWma, Encoding,
    ::testing::Values([](const char* s, const char* d,
                         ProgressCallback p) { return WAV2MP3(s, d, 128, 44100, p); },
                      [](const char* s, const char* d, ProgressCallback p) {
                          return WAV2WMA(s, d, 128, p);
                      }),
    [](const auto& info) { return info.index ? "wma" : "mp3"; });

// Decoding gives a finalised 44,100 Hz 16-bit stereo file; stopped after its
// first block it keeps that block; an unreadable source gives an empty one.
TEST_F(Encoders, DecodingToWavGivesAFinalisedCdFormatFile) {
    ASSERT_EQ(WAV2MP3(Scratch(), Path("d.mp3").c_str(), 128, 44100, nullptr), 0);
    ASSERT_EQ(WAV2WMA(Scratch(), Path("d.wma").c_str(), 128, nullptr), 0);
    for (const char* name : {"d.mp3", "d.wma"}) {
        const std::string wav = Path(std::string(name) + ".wav");
        ASSERT_EQ(WMA2WAV(Path(name).c_str(), wav.c_str(), nullptr), 0);
        std::string info;
        ASSERT_EQ(RunCommand("sox --i -r '" + wav + "' && sox --i -c '" + wav +
                                 "' && sox --i -b '" + wav + "'",
                             &info),
                  0);
        EXPECT_EQ(info, "44100\n2\n16\n") << name;
        const Bytes b = ReadFile(wav);
        EXPECT_EQ(Le32At(b, 4), b.size() - 8) << name;
    }
    const std::string first = Path("first.wav");
    ASSERT_EQ(WMA2WAV(Scratch(), first.c_str(), [](int32_t p) { return p >= 0 ? 1 : 0; }), 0);
    EXPECT_EQ(ReadFile(first).size(), 44u + 2048 * 4);
    WriteFile(Path("junk.mp3"), Bytes(100, 'j'));
    EXPECT_EQ(WMA2WAV(Path("junk.mp3").c_str(), first.c_str(), nullptr), -1);
    const Bytes empty = ReadFile(first);
    ASSERT_EQ(empty.size(), 44u);
    EXPECT_EQ(Le32At(empty, 4), 36u);
}

TEST_F(Encoders, AbsentLameIsReportedAndWritesNothing) {
    static std::string message;
    tonekit::audio::AttachLame({Path("nowhere/libmp3lame.so.0")});
    const auto previous = tonekit::util::SetMessagePresenter(
        [](const char* text, const char*, tonekit::util::MessageIcon) { message = text; });
    EXPECT_EQ(WAV2MP3(Scratch(), Path("absent.mp3").c_str(), 128, 44100, nullptr), -1);
    tonekit::util::SetMessagePresenter(previous);
    tonekit::audio::AttachLame(tonekit::util::LibraryCandidates("libmp3lame.so.0"));
    EXPECT_EQ(message, "DLL NOT FOUND:\n\nLIBMP3LAME.SO.0");
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
    const std::vector<int16_t> pcm(samples * 20, 1000);
    std::vector<uint8_t> mp3(bufferBytes);
    Bytes encoded;
    uint32_t written = 0;
    for (size_t at = 0; at < pcm.size(); at += samples) {
        be->beEncodeChunk(stream, samples, pcm.data() + at, mp3.data(), &written);
        encoded.insert(encoded.end(), mp3.begin(), mp3.begin() + written);
    }
    be->beDeinitStream(stream, mp3.data(), &written);
    encoded.insert(encoded.end(), mp3.begin(), mp3.begin() + written);
    be->beCloseStream(stream);
    be->beWriteInfoTag(stream, nullptr);
    const Mp3Header h = FirstFrame(encoded);
    EXPECT_EQ(h.bitrateIndex, 11) << "192 kbit/s";
    EXPECT_EQ(h.mode, 1) << "joint stereo";
    c.dwConfig = 0;  // not the LAME layout
    EXPECT_NE(be->beInitStream(&c, &samples, &bufferBytes, &stream), 0u);
}

}  // namespace
