// What the whole-file conversions must never do, whatever the caller passes:
// overwrite their own source, hang or run forever on special files, reach
// anything but files through FFmpeg, crash, or meet each other across threads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "library.h"
#include "peer_tools.h"
#include "test_seams.h"
#include "test_support.h"
#include "tonekit.h"
#include "util/message.h"

using namespace testing_support;

namespace {

struct Conversion {
    const char* name;
    std::function<bool(const char* source, const char* destination)> run;  // true on success
};

std::vector<Conversion> Conversions() {
    return {
        {"WAV2MP3",
         [](const char* s, const char* d) { return WAV2MP3(s, d, 128, 44100, nullptr) == 0; }},
        {"WAV2WMA", [](const char* s, const char* d) { return WAV2WMA(s, d, 128, nullptr) == 0; }},
        {"WMA2WAV", [](const char* s, const char* d) { return WMA2WAV(s, d, nullptr) == 0; }},
        {"ResampleWAV",
         [](const char* s, const char* d) {
             return ResampleWAV(s, d, 22050, 16, 2, 0, nullptr, nullptr, 1) != nullptr;
         }},
    };
}

class ConversionSafety : public ::testing::TestWithParam<Conversion> {
  protected:
    static void SetUpTestSuite() { tonekit::LibraryAttach(); }
    static void TearDownTestSuite() { tonekit::LibraryDetach(); }
    void SetUp() override {
        source = dir / "song.wav";
        WriteFile(source, SimpleWav(44100, 16, 2, StereoRamp(20000)));
        ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    }
    bool Run(const std::string& from, const std::string& to) {
        return GetParam().run(from.c_str(), to.c_str());
    }
    TempDir dir;
    std::string source;
};

// The destination named any other way than the source's own path: the call
// fails and the source keeps every byte.
TEST_P(ConversionSafety, NeverWritesOverItsSource) {
    const Bytes original = ReadFile(source);
    ASSERT_EQ(symlink(source.c_str(), (dir / "link.wav").c_str()), 0);
    ASSERT_EQ(link(source.c_str(), (dir / "hard.wav").c_str()), 0);
    for (const std::string& same : {source, dir / "sub/../song.wav", dir.path() + "//song.wav",
                                    dir / "link.wav", dir / "hard.wav"}) {
        EXPECT_FALSE(Run(source, same)) << same;
        EXPECT_EQ(ReadFile(source), original) << same;
    }
}

// FIFOs, devices and folders are neither read nor written, and nothing waits
// on them; a folder or device source leaves no output behind.
TEST_P(ConversionSafety, RefusesSpecialFiles) {
    const std::string fifo = dir / "pipe.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& special : {fifo, std::string("/dev/zero"), dir / "sub"}) {
        const std::string out = dir / "out.bin";
        EXPECT_FALSE(Run(special, out)) << special;
        const bool made = access(out.c_str(), F_OK) == 0;  // WMA2WAV leaves an empty WAV
        EXPECT_TRUE(!made || std::string(GetParam().name) == "WMA2WAV") << special;
        std::remove(out.c_str());
    }
    for (const std::string& special : {fifo, std::string("/dev/null")})
        EXPECT_FALSE(Run(source, special)) << special;
}

// A full disk is a failure, never a success; when nothing at all could be
// written no file is left, and a missing folder is not created.
TEST_P(ConversionSafety, FullDisksAndMissingFoldersAreFailures) {
    const std::string out = dir / "out.bin";
    EXPECT_NE(RunInChild([&] { return Run(source, out) ? 0 : 1; }, {2000, false}), 0);
    const Bytes partial = ReadFile(out);
    if (partial.size() >= 44 && partial[0] == 'R') {  // a WAV output keeps what it wrote, finalised
        EXPECT_EQ(Le32At(partial, 40), partial.size() - 44);
    } else {
        EXPECT_TRUE(partial.empty()) << "an MP3 or WMA cut short does not stay";
    }
    std::remove(out.c_str());
    EXPECT_NE(RunInChild([&] { return Run(source, out) ? 0 : 1; }, {0, false}), 0);
    EXPECT_NE(access(out.c_str(), F_OK), 0);
    EXPECT_FALSE(Run(source, dir / "missing/out.bin"));
    EXPECT_NE(access((dir / "missing").c_str(), F_OK), 0);
}

INSTANTIATE_TEST_SUITE_P(AllConversions, ConversionSafety, ::testing::ValuesIn(Conversions()),
                         [](const auto& info) { return std::string(info.param.name); });

class MediaFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tonekit::LibraryAttach();
        dir_ = new TempDir;
        MakeMusicLikeWav(*dir_ / "music.wav", 44100, 2, 2.0);
        RunCommand("lame --quiet -b 128 '" + *dir_ / "music.wav" + "' '" + *dir_ / "x.mp3" + "'");
    }
    static void TearDownTestSuite() {
        delete dir_;
        tonekit::LibraryDetach();
    }
    static std::string Path(const std::string& name) { return *dir_ / name; }
    static TempDir* dir_;
};

TempDir* MediaFiles::dir_ = nullptr;

// File names reach FFmpeg as files: protocol names are not honoured, and a
// relative name with a colon is a file like any other.
TEST_F(MediaFiles, NamesAreFilesNotUrls) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_->path());
    std::filesystem::copy_file("x.mp3", "a:b.mp3");
    uint64_t duration = 0;
    EXPECT_EQ(OpenWMA(4, "a:b.mp3", 0, &duration), 1);
    EXPECT_GT(duration, 0u);
    CloseWMA(4);
    EXPECT_EQ(OpenWMA(4, "concat:x.mp3|x.mp3", 0, &duration), 0);
    EXPECT_EQ(OpenWMA(4, "subfile,,start,0,end,0,,:x.mp3", 0, &duration), 0);
    EXPECT_EQ(WAV2WMA("music.wav", "out:1.wma", 128, nullptr), 0);
    EXPECT_EQ(Probe(Path("out:1.wma"), "stream=codec_name"), "wmav2");
    std::filesystem::current_path(cwd);
}

// An existing file the encoder cannot replace is left as it is, also when the
// encoder itself is missing; a missing FFmpeg is named once.
TEST_F(MediaFiles, FailedWmaEncodeKeepsTheUsersFile) {
    const std::string song = Path("song.wma");
    WriteFile(song, Bytes(1000, 'u'));
    ASSERT_EQ(chmod(song.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir_->path().c_str(), 0777), 0);
    const int status = RunInChild(
        [&] {
            return WAV2WMA(Path("music.wav").c_str(), song.c_str(), 128, nullptr) == -1 ? 0 : 1;
        },
        {RLIM_INFINITY, true});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(song), Bytes(1000, 'u'));

    static std::vector<std::string> shown;
    shown.clear();
    const auto previous = tonekit::util::SetMessagePresenter(
        [](const char* text, const char*, tonekit::util::MessageIcon) { shown.push_back(text); });
    tonekit::media::UseFfmpegLibraries(
        {"libavutil.so.57", "libavcodec-gone.so.59", "libavformat.so.59", "libswresample.so.4"});
    uint64_t duration = 0;
    EXPECT_EQ(OpenWMA(1, Path("x.mp3").c_str(), 0, &duration), 0);
    EXPECT_EQ(WAV2WMA(Path("music.wav").c_str(), song.c_str(), 128, nullptr), -1);
    EXPECT_EQ(OpenWMA(1, Path("x.mp3").c_str(), 0, &duration), 0);
    tonekit::media::UseFfmpegLibraries({});
    tonekit::util::SetMessagePresenter(previous);
    EXPECT_EQ(ReadFile(song), Bytes(1000, 'u'));
    EXPECT_EQ(shown, std::vector<std::string>{"DLL NOT FOUND:\n\nLIBAVCODEC-GONE.SO.59"});
    EXPECT_EQ(OpenWMA(1, Path("x.mp3").c_str(), 0, &duration), 1);
    CloseWMA(1);
}

// Arguments a caller can pass that once crashed inside the library.
TEST_F(MediaFiles, AbsurdArgumentsFailWithoutCrashing) {
    for (int32_t rate : {1, 7999, 192001}) {
        const std::string out = Path("rate.mp3");
        EXPECT_EQ(WAV2MP3(Path("music.wav").c_str(), out.c_str(), 128, rate, nullptr), -1) << rate;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << rate;
    }
    EXPECT_EQ(WAV2MP3(Path("music.wav").c_str(), Path("ok.mp3").c_str(), 128, 8000, nullptr), 0);

    // A reader slot whose WAV was replaced by a failed open reads as ended.
    uint64_t duration = 0;
    ASSERT_EQ(OpenWMA(7, Path("music.wav").c_str(), 0, &duration), 1);
    EXPECT_EQ(OpenWAV(Path("x.mp3").c_str(), 7), nullptr);
    char* data = nullptr;
    int32_t bytes = 0;
    EXPECT_EQ(ReadWMA(7, &data, &bytes, nullptr, 1.0), -1);
    CloseWMA(7);
}

// Whole-file conversions on two threads each write what they write alone, and
// a caller's own reader slot 0 stays open under them.
TEST_F(MediaFiles, ConversionsOnTwoThreadsAreIndependent) {
    ASSERT_EQ(WMA2WAV(Path("x.mp3").c_str(), Path("alone-decoded.wav").c_str(), nullptr), 0);
    const auto resample = [](const char* out) {
        return ResampleWAV(Path("music.wav").c_str(), Path(out).c_str(), 22050, 16, 1, 0, nullptr,
                           nullptr, 1) != nullptr;
    };
    ASSERT_TRUE(resample("alone-resampled.wav"));
    const WavInfo* mine = OpenWAV(Path("music.wav").c_str(), 0);
    ASSERT_NE(mine, nullptr);
    const uint32_t myBytes = mine->dataBytes;

    std::thread decoding([] {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(WMA2WAV(Path("x.mp3").c_str(), Path("decoded.wav").c_str(), nullptr), 0);
    });
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(resample("resampled.wav"));
    decoding.join();
    EXPECT_EQ(ReadFile(Path("decoded.wav")), ReadFile(Path("alone-decoded.wav")));
    EXPECT_EQ(ReadFile(Path("resampled.wav")), ReadFile(Path("alone-resampled.wav")));

    char buffer[4096];
    EXPECT_EQ(mine->dataBytes, myBytes);
    EXPECT_EQ(ReadWAV(0, sizeof buffer, buffer), static_cast<int32_t>(sizeof buffer));
    CloseWAV(0);
}

}  // namespace
