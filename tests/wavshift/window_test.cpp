// wavshift's dialog on the real libtonekit.so: loading a file, the target
// format, ReSAMPLE with and without "Overwrite Original", and the ways a run
// can end.
#include <sys/stat.h>
#include <unistd.h>

#include "qt_test_support.h"
#include "wavshift_program.h"

namespace {

using namespace testing_support;
using Texts = std::vector<std::string>;

constexpr int kFileControls[] = {1015, 1010, 1011, 1008, 1012, 1013, 1000, 1009};
constexpr char kNoFile[] = "  [ no file ]  Drop a WAV file here, or press Ctrl+O";

class WavshiftWindowTest : public ::testing::Test {
  protected:
    void TearDown() override { program_.reset(); }

    void Start(const QStringList& arguments = {}) {
        program_ = std::make_unique<wavshift::WavshiftProgram>(TONEKIT_SO);
        ASSERT_TRUE(program_->Start(arguments));
    }
    // Writes a 16-bit stereo ramp of `frames` frames to `name` and starts on it.
    std::string StartOn(const std::string& name, size_t frames) {
        WriteFile(dir_ / name, SimpleWav(44100, 16, 2, StereoRamp(frames)));
        Start({QString::fromStdString(dir_ / name)});
        return dir_ / name;
    }
    wavshift::WavshiftWindow& window() { return *program_->window(); }
    template <typename Widget = QWidget>
    Widget* Item(int id) {
        return tonekit::ui::FindItem<Widget>(&window(), id);
    }
    std::string Text(int id) { return Item<QLabel>(id)->text().toStdString(); }
    Texts FormatTexts() { return {Text(1017), Text(1018), Text(1019)}; }
    bool FileControlsEnabled() {
        bool all = true, none = true;
        for (int id : kFileControls) (Item(id)->isEnabled() ? none : all) = false;
        EXPECT_TRUE(all || none) << "the file's controls are enabled together";
        return all;
    }
    // Sets the target and clicks ReSAMPLE; the run ends before this returns.
    void ResampleTo(const QString& rate, int bitsIndex, int channelsIndex, bool changePitch = false,
                    bool overwrite = false) {
        Item<QLineEdit>(1008)->setText(rate);
        Item<QComboBox>(1010)->setCurrentIndex(bitsIndex);
        Item<QComboBox>(1011)->setCurrentIndex(channelsIndex);
        Item<QCheckBox>(1012)->setChecked(changePitch);
        Item<QCheckBox>(1013)->setChecked(overwrite);
        Item<QPushButton>(1000)->click();
    }
    // Calls `during` once, at the run's first progress above zero.
    void DuringTheRun(std::function<void()> during) {
        QObject::connect(Item<QProgressBar>(1007), &QProgressBar::valueChanged, &window(),
                         [during = std::move(during), called = false](int value) mutable {
                             if (value <= 0 || called) return;
                             called = true;
                             during();
                         });
    }

    TempDir dir_;
    std::unique_ptr<wavshift::WavshiftProgram> program_;
};

TEST_F(WavshiftWindowTest, APathWithBlanksGivenAsSeveralArgumentsIsLoaded) {
    ASSERT_EQ(mkdir((dir_ / "my music").c_str(), 0755), 0);
    WriteFile(dir_ / "my music/a song.wav", SimpleWav(22050, 8, 1, Bytes(100, 0x80)));
    Start({QString::fromStdString(dir_ / "my"), "music/a", "song.wav"});
    EXPECT_EQ(Text(1015), "  a song.wav");
    EXPECT_EQ(FormatTexts(), (Texts{"  Mono  ", "  8-Bit ", "   22050 Hz"}));
    for (int id : {1015, 1017, 1018, 1019}) EXPECT_EQ(AccessibleName(Item(id)), Text(id)) << id;
    EXPECT_TRUE(FileControlsEnabled());
    EXPECT_EQ(window().focusWidget(), Item(1000));
}

// A file that cannot be resampled is named with the reason, and the window
// goes back to waiting for a file.
TEST_F(WavshiftWindowTest, OpensCentredWithEveryControlNamedAndRefusesWhatItCannotResample) {
    StartOn("good.wav", 100);
    EXPECT_TRUE(Centred(&window()));
    for (auto* widget : window().findChildren<QWidget*>()) {
        if (widget->isHidden()) continue;
        EXPECT_FALSE(AccessibleName(widget).empty() && widget->accessibleDescription().isEmpty())
            << widget->metaObject()->className();
    }
    WriteFile(dir_ / "text.wav", Bytes{'h', 'e', 'l', 'l', 'o'});
    WriteFile(dir_ / "wide.wav", SimpleWav(44100, 24, 2, Bytes(600)));
    for (auto [name, reason] :
         {std::pair{"text.wav", "It is not a WAV file."},
          std::pair{"wide.wav",
                    "It holds 24-bit audio in 2 channels (format 1). Only 8- or "
                    "16-bit mono or stereo PCM can be resampled."}}) {
        EXPECT_EQ(OkBoxText([&] { window().LoadSource(dir_ / name); }),
                  "ERROR|Cannot resample " + dir_ / name + "\n\n" + reason);
        EXPECT_EQ(Text(1015), kNoFile);
        EXPECT_EQ(FormatTexts(), (Texts{"", "", ""}));
        EXPECT_FALSE(FileControlsEnabled());
    }
}

// "a.wav" is the shortest name whose extension is cut for the output's name.
TEST_F(WavshiftWindowTest, ADroppedWavIsLoadedAndEnterResamplesIt) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(1000)));
    Start();
    EXPECT_TRUE(DropFiles(&window(), {dir_ / "a.wav"}));
    EXPECT_EQ(Text(1015), "  a.wav");
    ASSERT_EQ(window().focusWidget(), Item(1000));
    EXPECT_EQ(OkBoxText([&] { QTest::keyClick(Item(1000), Qt::Key_Delete); }), "KEY DOWN|DELETE");
    QTest::keyClick(Item(1000), Qt::Key_Return);
    EXPECT_EQ(Text(1024), "  " + dir_ / "a.resampled.wav" + "      . . . complete");
    EXPECT_EQ(AccessibleName(Item(1024)), Text(1024));
    EXPECT_EQ(window().focusWidget(), Item(1000));
}

// The rate is held within 2000..192000 Hz; "Change Pitch" keeps the source's
// rate in the header while the samples are resampled.
TEST_F(WavshiftWindowTest, TheRunHoldsTheRateWithinItsRangeAndShowsIt) {
    const std::string source = StartOn("a.wav", 1000);
    for (auto [typed, pitch, used, header] : {std::tuple{"100", false, 2000u, 2000u},
                                              {"250000", false, 192000u, 192000u},
                                              {"", false, 2000u, 2000u},
                                              {"48000", true, 48000u, 44100u}}) {
        ResampleTo(typed, 1, 1, pitch);
        EXPECT_EQ(Item<QLineEdit>(1008)->text().toStdString(), std::to_string(used));
        const Bytes out = ReadFile(dir_ / "a.resampled.wav");
        EXPECT_EQ(Le32At(out, 24), header) << typed;
        EXPECT_EQ(out.size() > ReadFile(source).size(), used > 44100) << typed;
    }
}

TEST_F(WavshiftWindowTest, OverwriteOriginalReplacesTheSourceAndShowsItsNewFormat) {
    const std::string song = StartOn("song.wav", 44100);
    std::string statusDuring;
    bool enabledDuring = true;
    DuringTheRun([&] {
        statusDuring = Text(1024);
        enabledDuring = FileControlsEnabled() || Item(1006)->isEnabled();
    });
    ResampleTo("22050", 1, 0, false, true);  // 16-bit mono: each box read on its own
    EXPECT_EQ(statusDuring, "  Resampling  " + song + "  to  " + song + "  . . .");
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(Text(1024), "  " + song + "      . . . complete");
    EXPECT_EQ(FormatTexts(), (Texts{"  Mono  ", "  16-Bit", "   22050 Hz"}));
    EXPECT_TRUE(FileControlsEnabled());
    EXPECT_NE(access((dir_ / "song.resampled.wav").c_str(), F_OK), 0);
}

// With "Overwrite Original" on, a run that fails or is abandoned leaves the
// source as it was and no partial output.
TEST_F(WavshiftWindowTest, AFailedOrAbandonedRunLeavesTheSource) {
    const std::string song = StartOn("song.wav", 44100 * 3);
    const Bytes source = ReadFile(song);
    // A folder where the output would go: the output cannot be created.
    ASSERT_EQ(mkdir((dir_ / "song.resampled.wav").c_str(), 0755), 0);
    ResampleTo("22050", 0, 0, false, true);
    EXPECT_EQ(Text(1024), "  " + dir_ / "song.resampled.wav" +
                              "      . . . failed: the output cannot be created");
    EXPECT_TRUE(FileControlsEnabled());
    ASSERT_EQ(rmdir((dir_ / "song.resampled.wav").c_str()), 0);
    bool closedAtOnce = true;
    DuringTheRun([&] { closedAtOnce = window().close(); });
    ResampleTo("48000", 1, 1, false, true);
    EXPECT_FALSE(closedAtOnce);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(ReadFile(song), source);
    EXPECT_NE(access((dir_ / "song.resampled.wav").c_str(), F_OK), 0);
}

TEST_F(WavshiftWindowTest, EightBitMonoToSixteenBitStereoAsSoxReadsIt) {
    WriteFile(dir_ / "in.wav", SimpleWav(22050, 8, 1, StereoRamp(12500)));
    Start({QString::fromStdString(dir_ / "in.wav")});
    ResampleTo("22050", 1, 1);
    const std::string out = dir_ / "in.resampled.wav";
    std::string info;
    RunCommand("for o in r c b; do sox --i -$o '" + out + "'; done", &info);
    EXPECT_EQ(info, "22050\n2\n16\n");
    // sox's own conversion of the source against sox's reading of the output.
    std::string expected, actual;
    const std::string raw = " -t raw -e signed-integer -b 16 - | od -An -v -tx1";
    ASSERT_EQ(RunCommand("sox '" + dir_ / "in.wav" + "' -c 2" + raw, &expected), 0);
    ASSERT_EQ(RunCommand("sox '" + out + "'" + raw, &actual), 0);
    EXPECT_TRUE(actual == expected) << "the samples differ from sox's own conversion";
}

// SONAVERT_SNAPSHOTS=/some/folder build/bin/wavshift_window_tests --gtest_filter=*Snapshots*
TEST_F(WavshiftWindowTest, Snapshots) {
    const char* folder = std::getenv("SONAVERT_SNAPSHOTS");
    if (!folder || !*folder) GTEST_SKIP() << "SONAVERT_SNAPSHOTS names no folder";
    Start();
    Snapshot(&window(), folder, "wavshift_idle");
    WriteFile(dir_ / "a song.wav", SimpleWav(44100, 16, 2, StereoRamp(44100)));
    window().LoadSource(dir_ / "a song.wav");
    Snapshot(&window(), folder, "wavshift_loaded");
    DuringTheRun([&] { Snapshot(&window(), folder, "wavshift_running"); });
    ResampleTo("48000", 1, 1);
    Snapshot(&window(), folder, "wavshift_done");
}

}  // namespace
