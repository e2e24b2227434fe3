// Conversion runs through the window, on real codecs; outputs judged by
// ffprobe.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "conversion_queue.h"
#include "converter_fixture.h"
#include "peer_tools.h"

namespace sonavert_testing {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;

// "codec,rate,channels" of the first audio stream.
std::string Format(const std::string& path) {
    std::string out = testing_support::Probe(path, "stream=codec_name,sample_rate,channels");
    std::replace(out.begin(), out.end(), '\n', ',');
    return out;
}

class ConversionTest : public ConverterWindow {
  protected:
    void SetUp() override {
        ConverterWindow::SetUp();
        in_ = home_ + "in/";
        fs::create_directories(in_);
    }

    void AddInputs(const std::vector<std::string>& paths) {
        for (const auto& path : paths)
            window().inputs().list()->addItem(QString::fromStdString(path));
        window().inputs().Rebuild(false);
        Item(1010)->setEnabled(true);  // as adding through the window does
    }

    void ConvertTo(int format) {
        Item<QComboBox>(1023)->setCurrentIndex(format);
        window().Command(1010);
    }

    // Runs `action` once, as soon as the status line of a run starts with `prefix`.
    void WhenStatus(const std::string& prefix, std::function<void()> action) {
        auto* timer = new QTimer(&window());
        QObject::connect(timer, &QTimer::timeout, [this, prefix, timer, action] {
            if (Status().rfind(prefix, 0) != 0 || !converter().flags.running) return;
            action();
            timer->stop();
        });
        timer->start(0);
    }
    void StopWhenStatus(const std::string& prefix) {
        WhenStatus(prefix, [this] { Click(1010); });
    }

    std::vector<std::string> RowStates() {
        std::vector<std::string> states;
        for (int row = 0; row < window().inputs().table()->rowCount(); ++row)
            states.push_back(Cell(row, 4));
        return states;
    }

    std::string in_;
};

TEST_F(ConversionTest, EveryRouteEndsInTheChosenFormat) {
    // One second each, in every shape the list may hold; broken.mp3 holds
    // text and empty.wav no audio.
    ASSERT_EQ(testing_support::RunCommand("cd '" + in_ +
                                          "' && sox -n -r 22050 -b 8 -c 1 low.wav synth 1 sine 300 "
                                          "&& lame --quiet -V 4 low.wav vbr.mp3"),
              0);
    CopyMedia("one.mp3", in_ + "Live.Set.MP3");
    CopyMedia("three.wma", in_ + "three.wma");
    CopyMedia("broken.mp3", in_ + "broken.mp3");
    testing_support::WriteFile(in_ + "empty.wav", testing_support::SimpleWav(44100, 16, 2, {}));
    const std::vector<std::string> names{"Live.Set.MP3", "vbr.mp3", "three.wma",
                                         "broken.mp3",   "low.wav", "empty.wav"};
    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back(in_ + name);
    AddInputs(paths);
    const std::pair<int, const char*> formats[] = {
        {0, "mp3,44100,2"}, {1, "wmav2,44100,2"}, {2, "pcm_s16le,44100,2"}};
    for (const auto& [format, expected] : formats) {
        ConvertTo(format);
        EXPECT_EQ(RowStates(), (std::vector<std::string>{"done.", "done.", "done.", "wait...",
                                                         "done.", "failed."}));
        const char* extension = sonavert::kMediaExtensions[format];
        for (const char* title : {"Live.Set", "vbr", "three", "low"}) {
            const std::string output = program_ + title + extension;
            EXPECT_EQ(Format(output), expected) << output;
            // Each output holds the input's second, give or take 50 ms.
            const double seconds = testing_support::FfmpegDecode(output).size() / 2 / 44100.0;
            EXPECT_NEAR(seconds, 1.0, 0.05) << output;
        }
        if (format != 2) {
            EXPECT_EQ(testing_support::Probe(program_ + "vbr" + extension, "stream=bit_rate"),
                      "128000");
        }
        for (const char* title : {"broken", "empty"})
            EXPECT_FALSE(fs::exists(program_ + title + extension)) << title;
    }
    EXPECT_EQ(Status(), " Idle");
    EXPECT_EQ(Item<QAbstractButton>(1010)->text(), "Convert");
    EXPECT_TRUE(Item(1014)->isEnabled());
    EXPECT_FALSE(fs::exists(converter().paths.scratchFile));
    // Nothing but the outputs is left in the output folder.
    EXPECT_EQ(OutputNames(),
              (std::vector<std::string>{"Live.Set.wav", "low.wav", "three.wav", "vbr.wav"}));
}

TEST_F(ConversionTest, InPlaceWavIsReplacedOnlyByACompleteEncode) {
    const std::string song = program_ + "song.wav";
    ASSERT_EQ(
        testing_support::RunCommand("sox -n -r 22050 -b 16 -c 1 '" + song + "' synth 30 sine 300"),
        0);
    const auto original = ReadFile(song);
    AddInputs({song});
    StopWhenStatus(" Encoding to WAV");
    ConvertTo(2);
    EXPECT_EQ(RowStates(), std::vector<std::string>{"stopped."});
    EXPECT_EQ(ReadFile(song), original);

    ConvertTo(2);
    EXPECT_EQ(RowStates(), std::vector<std::string>{"done."});
    EXPECT_EQ(Format(song), "pcm_s16le,44100,2");
}

// Stop during a decode leaves that row waiting and writes nothing for it; stop
// during an encode keeps the shorter file, its row stopped.
TEST_F(ConversionTest, StopLeavesADecodeWaitingAndKeepsAShorterEncode) {
    CopyMedia("one.mp3", in_ + "first.mp3");
    ASSERT_EQ(testing_support::RunCommand("sox -n -r 44100 -b 16 -c 2 '" + in_ +
                                          "second.wav' synth 60 sine 300"),
              0);
    CopyMedia("one.mp3", in_ + "third.mp3");
    AddInputs({in_ + "first.mp3", in_ + "second.wav", in_ + "third.mp3"});
    StopWhenStatus(" Preparing to Convert ... second");
    ConvertTo(0);
    EXPECT_EQ(RowStates(), (std::vector<std::string>{"done.", "wait...", " --- "}));
    EXPECT_EQ(OutputNames(), std::vector<std::string>{"first.mp3"});

    StopWhenStatus(" Encoding to MP3 ...second");
    ConvertTo(0);
    EXPECT_EQ(RowStates(), (std::vector<std::string>{"done.", "stopped.", " --- "}));
    EXPECT_EQ(Format(program_ + "second.mp3"), "mp3,44100,2");
}

TEST_F(ConversionTest, ABitrateChosenDuringTheRunAppliesFromTheNextEncode) {
    CopyMedia("one.mp3", in_ + "a.mp3");
    AddInputs({in_ + "a.mp3"});
    WhenStatus(" Preparing to Convert", [this] { Trigger(502); });  // 64 kBps, while it decodes
    ConvertTo(0);
    EXPECT_EQ(testing_support::Probe(program_ + "a.mp3", "stream=bit_rate"), "64000");
}

// Run by its own ctest entry with the fake drive preloaded as /dev/sr0.
TEST_F(ConversionTest, CdTracksAreRippedOrFailAfterNineAttempts) {
    if (!std::getenv("SONAVERT_FAKE_SR0")) GTEST_SKIP() << "needs the preloaded fake drive";
    AddInputs({"/dev/sr0/Track02.cda", "/dev/sr0/Track09.cda"});
    testing_support::ModalAnswers answers;
    std::string text;
    answers.Then(testing_support::PressButton(QMessageBox::Ok, &text));
    ConvertTo(2);
    EXPECT_EQ(RowStates(), (std::vector<std::string>{"done.", "failed."}));
    EXPECT_EQ(text.substr(0, 43), "SCSI FAILURE|Cannot Read From The CD Drive\n");
    // Track 2 of the fake disc holds 150 sectors of 588 frames; the output
    // is titled after the track.
    const auto ripped = ReadFile(program_ + "Track02.wav");
    EXPECT_EQ(testing_support::Le32At(ripped, 40), 150u * 2352u);
    // (Read here: ffprobe does not run with the fake drive preloaded.)
    const std::string title("INAM\x09\0\0\0Track 02", 16);
    EXPECT_NE(std::search(ripped.begin(), ripped.end(), title.begin(), title.end()), ripped.end());
    EXPECT_FALSE(fs::exists(program_ + "Track09.wav"));
}

TEST(ScratchFile, TwoConvertersNeverShareOne) {
    testing_support::TempDir dir;
    auto first = sonavert::ClaimScratchFile(dir / "temp.wav");
    auto second = sonavert::ClaimScratchFile(dir / "temp.wav");
    EXPECT_EQ(first.path, dir / "temp.wav");
    EXPECT_EQ(second.path, dir / "temp-1.wav");
    testing_support::WriteFile(second.path, {1});
    sonavert::ReleaseScratchFile(second);
    EXPECT_FALSE(fs::exists(dir / "temp-1.wav"));
    sonavert::ReleaseScratchFile(first);
    auto again = sonavert::ClaimScratchFile(dir / "temp.wav");
    EXPECT_EQ(again.path, dir / "temp.wav");
    sonavert::ReleaseScratchFile(again);
}

}  // namespace
}  // namespace sonavert_testing
