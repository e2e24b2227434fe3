// Previews through the playback device: the buttons, the pitch, the end of a
// file, and (under SDL's disk driver) what was actually played.
#include "preview.h"
#include "converter_fixture.h"

namespace sonavert_testing {
namespace {

class PreviewTest : public ConverterWindow {
  protected:
    void AddInput(const std::string& name) {
        window().inputs().list()->addItem(QString::fromStdString(home_ + name));
        window().inputs().Rebuild(false);
        window().inputs().RememberRow(0);
    }
    bool WaitUntilIdle(int ms) {
        return QTest::qWaitFor([this] { return !converter().flags.previewing; }, ms);
    }
    QString Text(int id) { return Item<QAbstractButton>(id)->text(); }
};

// The pitch shown is the one played, and a screen reader hears it as shown.
TEST_F(PreviewTest, PitchResetPlayToTheEndOrUntilStopped) {
    Item<QSlider>(1000)->setValue(100);
    EXPECT_EQ(AccessibleName(Item(1043)), "1.50");
    EXPECT_DOUBLE_EQ(window().preview().pitch(), 1.5);
    Click(1042);
    EXPECT_DOUBLE_EQ(window().preview().pitch(), 1.0);
    Click(1016);  // an empty input table
    EXPECT_FALSE(converter().flags.previewing);
    EXPECT_EQ(Status(), " Idle");
    CopyMedia("one.mp3", home_ + "one.mp3");
    AddInput("one.mp3");
    for (bool stop : {true, false}) {
        Click(1016);
        ASSERT_TRUE(converter().flags.previewing);
        EXPECT_EQ(Text(1016) + "|" + Text(1011), "  Stop  |Stop  ");
        EXPECT_FALSE(Item(1010)->isEnabled() || window().Action(1010)->isEnabled());
        if (stop)
            Click(1016);
        else
            ASSERT_TRUE(QTest::qWaitFor(
                [this] { return Status().rfind(" Playing ... one.mp3 - ", 0) == 0; }, 5000))
                << Status();
        EXPECT_TRUE(WaitUntilIdle(10000));
        EXPECT_EQ(Text(1016) + "|" + Text(1011), "  Play  |Play  ");
        EXPECT_EQ(Status(), " Idle");
        EXPECT_TRUE(Item(1010)->isEnabled());
    }
}

// Run by its own ctest entry with SDL's disk driver writing to
// $SDL_DISKAUDIOFILE: what was played is the reader's output at pitch 1.0.
TEST_F(PreviewTest, PlayedSamplesAreTheReadersOutput) {
    const char* played = std::getenv("SDL_DISKAUDIOFILE");
    if (!played || std::string(std::getenv("SDL_AUDIODRIVER")) != "disk")
        GTEST_SKIP() << "needs SDL's disk driver";
    ASSERT_EQ(RunCommand("sox -n -r 44100 -b 16 -c 2 '" + home_ + "noise.wav' synth 1 whitenoise"),
              0);
    AddInput("noise.wav");
    Click(1016);
    ASSERT_TRUE(WaitUntilIdle(20000));
    // What the reader gives at pitch 1.0, read the same way.
    const auto& tk = converter().tk;
    Bytes expected;
    uint64_t duration = 0, time = 0;
    ASSERT_TRUE(tk.OpenWMA(0, (home_ + "noise.wav").c_str(), 0, &duration));
    for (;;) {
        char* block = nullptr;
        int32_t bytes = 0;
        const int32_t read = tk.ReadWMA(0, &block, &bytes, &time, 1.0);
        if (read >= 0) expected.insert(expected.end(), block, block + bytes);
        std::free(block);
        if (read < 0) break;
    }
    tk.CloseWMA(0);
    session_->Shutdown();  // the device closes and the file is complete
    const Bytes output = ReadFile(played);
    ASSERT_GT(expected.size(), 100000u);
    auto start =
        std::search(output.begin(), output.end(), expected.begin(), expected.begin() + 4096);
    ASSERT_NE(start, output.end()) << "the file's start was not played";
    ASSERT_GE(static_cast<size_t>(output.end() - start), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), start));
}

}  // namespace
}  // namespace sonavert_testing
