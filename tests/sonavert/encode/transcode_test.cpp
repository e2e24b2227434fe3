// Outputs made through FFmpeg's encoders, judged by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <cstdlib>

#include "peer_tools.h"
#include "replaygain_tags.h"
#include "split_mp3.h"
#include "test_support.h"
#include "transcoder.h"

namespace {

using namespace testing_support;
using namespace sonavert::encode;

// ffmpeg's integrated loudness of `inputs` played one after the other.
double PeerLoudness(const std::vector<std::string>& inputs) {
    std::string command = "ffmpeg -nostats -v info";
    for (const auto& input : inputs) command += " -i " + Quote(input);
    command += " -filter_complex '";
    for (size_t i = 0; i < inputs.size(); ++i) command += "[" + std::to_string(i) + ":a]";
    command += "concat=n=" + std::to_string(inputs.size()) +
               ":v=0:a=1,ebur128' -f null - 2>&1 | grep -A1 'Integrated' | tail -1";
    std::string out;
    RunCommand(command, &out);
    return std::atof(out.substr(out.find(':') + 1).c_str());
}

// The RMS of `path`'s samples, decoded in its own channel layout.
double Rms(const std::string& path) {
    std::string out;
    RunCommand(
        "ffmpeg -v error -i " + Quote(path) +
            " -f s16le - | od -An -v -td2 -w2 | awk '{s += $1 * $1} END {print sqrt(s / NR)}'",
        &out);
    return std::atof(out.c_str());
}

// Frames a decoded output may differ from its input: FFmpeg's MP4 muxer marks
// the AAC priming but not the padding of the last frame.
long Slack(const std::string& format) {
    return format == "m4a" ? 1024 : 0;
}

struct FormatCase {
    const char* source;  // ffmpeg arguments after the lavfi sine input
    EncodeSettings settings;
    const char* codec;
    int rate, channels;
    const char* bits;  // FLAC's bits per sample, "" to skip
};

class TranscodeFormats : public ::testing::TestWithParam<FormatCase> {};

// Each format keeps what it should of its source (or makes what was asked),
// and the decoded output is exactly as long as the input.
TEST_P(TranscodeFormats, KeepTheSourceShapeAndLength) {
    const FormatCase& c = GetParam();
    TempDir dir;
    const std::string input = dir / "in.wav", output = dir / ("out." + c.settings.format);
    Ffmpeg(std::string("-f lavfi -i sine=1000:duration=4 ") + c.source + " " + input);
    const TranscodeResult result = Transcode(input, output, c.settings);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(Probe(output, "stream=codec_name"), c.codec);
    EXPECT_EQ(Probe(output, "stream=sample_rate"), std::to_string(c.rate));
    EXPECT_EQ(Probe(output, "stream=channels"), std::to_string(c.channels));
    if (*c.bits) {
        EXPECT_EQ(Probe(output, "stream=bits_per_raw_sample"), c.bits);
    }
    const long inputFrames = std::atol(Probe(input, "stream=duration_ts").c_str());
    const long expected = std::lround(inputFrames * double(c.rate) /
                                      std::atoi(Probe(input, "stream=sample_rate").c_str()));
    EXPECT_NEAR(DecodedFrames(output), expected, Slack(c.settings.format));
    EXPECT_EQ(result.frames, expected);
    // The source's level: a mono source made stereo is not 3 dB down in each channel.
    const double rms = Rms(input);
    EXPECT_NEAR(Rms(output), rms, rms / 10);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TranscodeFormats,
    ::testing::Values(
        FormatCase{"-ar 96000 -ac 2 -c:a pcm_s24le", {"flac"}, "flac", 96000, 2, "24"},
        FormatCase{"-ar 44100 -ac 1", {"flac"}, "flac", 44100, 1, "16"},
        FormatCase{"-ar 22050 -ac 1", {"ogg", 96}, "vorbis", 22050, 1, ""},
        FormatCase{"-ar 48000 -ac 6", {"m4a", 256}, "aac", 48000, 6, ""},
        FormatCase{"-ar 44100 -ac 2", {"opus", 128}, "opus", 48000, 2, ""},
        FormatCase{
            "-ar 48000 -ac 2 -c:a pcm_f32le", {"flac", 0, -1, 44100, 1}, "flac", 44100, 1, "24"},
        // 176,400 frames in, 176,400 out: the LAME header carries delay and padding.
        FormatCase{"-ar 44100 -ac 2", {"mp3", 320}, "mp3", 44100, 2, ""},
        FormatCase{"-ar 22050 -ac 1", {"mp3", 128, 2}, "mp3", 44100, 2, ""}));

TEST(Transcode, RefusesWhatTheFormatCannotTakeAndUnreadableInputs) {
    TempDir dir;
    Ffmpeg("-f lavfi -i sine=1000:duration=1 -ac 2 " + dir / "in.wav");
    EXPECT_EQ(Transcode(dir / "in.wav", dir / "a.opus", {"opus", 128, -1, 44100}).error,
              "opus cannot be made at 44100 Hz");
    EXPECT_EQ(Transcode(dir / "in.wav", dir / "a.mp3", {"mp3", 128, -1, 0, 6}).error,
              "mp3 cannot take 6 channels");
    WriteFile(dir / "bad.wav", Bytes(100, 'x'));
    EXPECT_EQ(Transcode(dir / "bad.wav", dir / "b.flac", {"flac"}).error.rfind("the input", 0), 0u);
    // The output is never written through a link planted at its name.
    ASSERT_EQ(symlink((dir / "elsewhere").c_str(), (dir / "c.flac").c_str()), 0);
    EXPECT_NE(Transcode(dir / "in.wav", dir / "c.flac", {"flac"}).error, "");
    EXPECT_NE(access((dir / "elsewhere").c_str(), F_OK), 0);
}

// Our meter against ffmpeg's ebur128 filter, per track and for two tracks as
// one album; the gains land as tags each format's readers see.
TEST(ReplayGain, MeasuresAsFfmpegAndTagsEveryFormat) {
    TempDir dir;
    // Loud, then 16 dB down: the quiet part lies below the relative gate.
    Ffmpeg(
        "-f lavfi -i sine=440:duration=5 -af \"volume='if(lt(t,3),4,0.63)':eval=frame\" "
        "-ac 2 " +
        dir / "a.wav");
    MakeMusicLikeWav(dir / "b.wav", 48000, 2, 5.0);
    Loudness album;
    for (const char* name : {"a", "b"}) {
        const TranscodeResult result =
            Transcode(dir / (std::string(name) + ".wav"), dir / (std::string(name) + ".flac"),
                      {"flac"}, true);
        ASSERT_EQ(result.error, "");
        double lufs = 0;
        ASSERT_TRUE(result.loudness.Integrated(lufs));
        EXPECT_NEAR(lufs, PeerLoudness({dir / (std::string(name) + ".wav")}), 0.1) << name;
        Loudness copy;
        ASSERT_TRUE(Loudness::Parse(result.loudness.Serialize(), copy));
        album.Merge(copy);
    }
    double albumLufs = 0;
    ASSERT_TRUE(album.Integrated(albumLufs));
    // (ffmpeg measures the two as one stream: its blocks straddle the join.)
    EXPECT_NEAR(albumLufs, PeerLoudness({dir / "a.flac", dir / "b.flac"}), 0.2);

    const Gain track{-3.25, 0.5, -14.75}, albumGain{-1.5, 0.75, -16.5};
    const std::pair<const char*, const char*> expected[] = {
        {"flac", "-3.25 dB"},
        {"ogg", "-3.25 dB"},
        {"m4a", "-3.25 dB"},
        {"mp3", "-3.25 dB"},
        {"opus", "-2112"}};  // (-23 + 14.75) * 256
    for (const auto& [format, gain] : expected) {
        const std::string path = dir / (std::string("t.") + format);
        ASSERT_EQ(Transcode(dir / "a.wav", path, {format}).error, "") << format;
        ASSERT_TRUE(WriteReplayGain(path, format, track, albumGain)) << format;
        auto tags = Tags(path);
        const bool opus = std::string(format) == "opus";
        EXPECT_EQ(tags[opus ? "r128_track_gain" : "replaygain_track_gain"], gain) << format;
        EXPECT_TRUE(tags.count(opus ? "r128_album_gain" : "replaygain_album_peak")) << format;
        const long rate = std::atol(Probe(path, "stream=sample_rate").c_str());
        EXPECT_NEAR(DecodedFrames(path), 5 * rate, Slack(format)) << format;
    }
}

// One long input encoded in parts on several threads decodes to the same
// length as one encode, and as close to the input.
TEST(SplitMp3, JoinedPartsDecodeLikeOneEncode) {
    TempDir dir;
    const std::string input = dir / "long.wav";
    MakeMusicLikeWav(input, 44100, 2, 30.0);
    const EncodeSettings cbr{"mp3", 128};
    ASSERT_EQ(Transcode(input, dir / "one.mp3", cbr).error, "");
    const TranscodeResult parts = TranscodeInParts(input, dir / "parts.mp3", cbr, 3, true);
    ASSERT_EQ(parts.error, "");
    EXPECT_EQ(DecodedFrames(dir / "parts.mp3"), 30 * 44100);
    EXPECT_EQ(DecodedFrames(dir / "one.mp3"), 30 * 44100);
    const auto source = FfmpegDecode(input), one = FfmpegDecode(dir / "one.mp3"),
               joined = FfmpegDecode(dir / "parts.mp3");
    const double oneSnr = AlignedSnr(source, one, 0), joinedSnr = AlignedSnr(source, joined, 0);
    EXPECT_NEAR(joinedSnr, oneSnr, 0.2);
    EXPECT_GT(AlignedSnr(one, joined, 0), 40.0);
    double lufs = 0;
    EXPECT_TRUE(parts.measured && parts.loudness.Integrated(lufs));
    EXPECT_NEAR(lufs, PeerLoudness({input}), 0.1);
    // Too short to split, or VBR: one encode, still complete.
    EXPECT_EQ(TranscodeInParts(input, dir / "vbr.mp3", {"mp3", 128, 4}, 3).error, "");
    EXPECT_FALSE(CanEncodeInParts(input, {"mp3", 128, 4}));
}

}  // namespace
