// wavshift's dialog on the real libtonekit.so: loading a file, the target
// format, ReSAMPLE with and without "Overwrite Original", and the ways a run
// can end.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "qt_test_support.h"
#include "test_support.h"
#include "ui/dialog_items.h"
#include "wavshift_program.h"

namespace {

using namespace testing_support;
using tonekit::ui::FindItem;

constexpr int kFileControls[] = {1015, 1010, 1011, 1008, 1012, 1013, 1000, 1009};
constexpr char kNoFile[] = "  [ no file ]  Drop a WAV file here, or press Ctrl+O";

// An 8-bit mono ramp of `frames` frames.
Bytes MonoBytes(size_t frames) {
    Bytes pcm(frames);
    for (size_t i = 0; i < frames; ++i) pcm[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return pcm;
}

class WavshiftWindowTest : public ::testing::Test {
  protected:
    void TearDown() override { program_.reset(); }

    void Start(const QStringList& arguments = {}) {
        program_ = std::make_unique<wavshift::WavshiftProgram>(TONEKIT_SO);
        ASSERT_TRUE(program_->Start(arguments));
    }
    wavshift::WavshiftWindow& window() { return *program_->window(); }
    template <typename Widget = QWidget>
    Widget* Item(int id) {
        return FindItem<Widget>(&window(), id);
    }
    std::string Text(int id) { return Item<QLabel>(id)->text().toStdString(); }
    std::vector<std::string> FormatTexts() { return {Text(1017), Text(1018), Text(1019)}; }
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

TEST_F(WavshiftWindowTest, IdleUntilAFileIsLoaded) {
    Start();
    EXPECT_EQ(window().size(), QSize(362, 211));
    const QRect screen = window().screen()->availableGeometry();
    EXPECT_LE((window().frameGeometry().center() - screen.center()).manhattanLength(), 4);
    EXPECT_EQ(Text(1015), kNoFile);
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"", "", ""}));
    for (int id : {1010, 1011})
        EXPECT_EQ(Item<QComboBox>(id)->currentText().toStdString(),
                  id == 1010 ? "  16-Bit" : "  Stereo");
    EXPECT_TRUE(Item(1006)->isHidden());
    EXPECT_FALSE(FileControlsEnabled());
    for (auto* widget : window().findChildren<QWidget*>()) {
        if (widget->isHidden()) continue;
        EXPECT_FALSE(AccessibleName(widget).empty() && widget->accessibleDescription().isEmpty())
            << widget->metaObject()->className();
    }
}

TEST_F(WavshiftWindowTest, APathWithBlanksGivenAsSeveralArgumentsIsLoaded) {
    ASSERT_EQ(mkdir((dir_ / "my music").c_str(), 0755), 0);
    WriteFile(dir_ / "my music/a song.wav", SimpleWav(22050, 8, 1, MonoBytes(100)));
    Start({QString::fromStdString(dir_ / "my"), "music/a", "song.wav"});
    EXPECT_EQ(Text(1015), "  a song.wav");
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"  Mono  ", "  8-Bit ", "   22050 Hz"}));
    for (int id : {1015, 1017, 1018, 1019}) EXPECT_EQ(AccessibleName(Item(id)), Text(id)) << id;
    EXPECT_TRUE(FileControlsEnabled());
    EXPECT_EQ(window().focusWidget(), Item(1000));
    // The check boxes: white text on RGB(75, 100, 170).
    for (int id : {1012, 1013}) {
        const QImage box = Item(id)->grab().toImage();
        int blue = 0, white = 0;
        for (int i = 0; i < box.width() * box.height(); ++i) {
            const QColor c = box.pixelColor(i % box.width(), i / box.width());
            blue += c == QColor(75, 100, 170);
            white += std::min({c.red(), c.green(), c.blue()}) > 230;
        }
        EXPECT_TRUE(blue > box.width() * box.height() / 2 && white > 20) << id;
    }
    EXPECT_EQ(wavshift::CommandLineOf({"a", "", "b"}), "a  b");
}

TEST_F(WavshiftWindowTest, FilesThatCannotBeResampledAreNamedWithTheReason) {
    WriteFile(dir_ / "good.wav", SimpleWav(44100, 16, 2, StereoRamp(100)));
    WriteFile(dir_ / "text.wav", Bytes{'h', 'e', 'l', 'l', 'o'});
    WriteFile(dir_ / "wide.wav", SimpleWav(44100, 24, 2, Bytes(600)));
    Start({QString::fromStdString(dir_ / "good.wav")});
    for (auto [name, reason] :
         {std::pair{"missing.wav", "No such file or directory"},
          std::pair{"text.wav", "It is not a WAV file."},
          std::pair{"wide.wav",
                    "It holds 24-bit audio in 2 channels (format 1). Only 8- or "
                    "16-bit mono or stereo PCM can be resampled."}}) {
        std::string text;
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Ok, &text));
        window().LoadSource(dir_ / name);
        EXPECT_EQ(text, "ERROR|Cannot resample " + dir_ / name + "\n\n" + reason);
        EXPECT_EQ(Text(1015), kNoFile);
        EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"", "", ""}));
        EXPECT_FALSE(FileControlsEnabled());
    }
}

TEST_F(WavshiftWindowTest, ADroppedWavIsLoadedAndEnterResamplesIt) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(1000)));
    Start();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_ / "a.wav"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window(), &drop);
    EXPECT_EQ(Text(1015), "  a.wav");
    ASSERT_EQ(window().focusWidget(), Item(1000));
    QTest::keyClick(Item(1000), Qt::Key_Return);
    EXPECT_EQ(Text(1024), "  " + dir_ / "a.resampled.wav" + "      . . . complete");
    EXPECT_EQ(AccessibleName(Item(1024)), Text(1024));
    EXPECT_EQ(window().focusWidget(), Item(1000));
}

TEST_F(WavshiftWindowTest, TheUpDownStepsByAHundredWithoutLimits) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(100)));
    Start({QString::fromStdString(dir_ / "a.wav")});
    auto arrows = Item(1009)->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[0]->click();
    EXPECT_EQ(Item<QLineEdit>(1008)->text(), "44200");
    Item<QLineEdit>(1008)->setText("191950");
    arrows[0]->click();
    EXPECT_EQ(Item<QLineEdit>(1008)->text(), "192050");
    Item<QLineEdit>(1008)->setText("2000");
    arrows[1]->click();
    EXPECT_EQ(Item<QLineEdit>(1008)->text(), "1900");
}

TEST_F(WavshiftWindowTest, TheRunHoldsTheRateWithinItsRangeAndShowsIt) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(1000)));
    Start({QString::fromStdString(dir_ / "a.wav")});
    for (auto [typed, used] : {std::pair{"100", 2000u}, std::pair{"250000", 192000u},
                               std::pair{"", 2000u}, std::pair{"48000", 48000u}}) {
        ResampleTo(typed, 1, 1);
        EXPECT_EQ(Item<QLineEdit>(1008)->text().toStdString(), std::to_string(used));
        EXPECT_EQ(Le32At(ReadFile(dir_ / "a.resampled.wav"), 24), used);
    }
}

TEST_F(WavshiftWindowTest, EqualFormatsCopyTheDataExactly) {
    const Bytes source = SimpleWav(44100, 16, 2, StereoRamp(30000));
    WriteFile(dir_ / "song.wav", source);
    Start({QString::fromStdString(dir_ / "song.wav")});
    std::string statusDuring;
    bool enabledDuring = true;
    DuringTheRun([&] {
        statusDuring = Text(1024);
        enabledDuring = FileControlsEnabled() || Item(1006)->isEnabled();
    });
    ResampleTo("44100", 1, 1);
    const std::string out = dir_ / "song.resampled.wav";
    EXPECT_EQ(statusDuring, "  Resampling  " + dir_ / "song.wav" + "  to  " + out + "  . . .");
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(ReadFile(out), source);
    EXPECT_EQ(Text(1024), "  " + out + "      . . . complete");
    EXPECT_EQ(Item<QProgressBar>(1007)->value(), 0);
    EXPECT_TRUE(FileControlsEnabled());
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"  Stereo", "  16-Bit", "   44100 Hz"}));
}

TEST_F(WavshiftWindowTest, ChangePitchKeepsTheSourceRateInTheHeader) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(44100)));
    Start({QString::fromStdString(dir_ / "a.wav")});
    ResampleTo("48000", 1, 1, true);
    const Bytes out = ReadFile(dir_ / "a.resampled.wav");
    EXPECT_EQ(Le32At(out, 24), 44100u);
    EXPECT_NEAR((out.size() - 44) / 4.0, 48000.0, 8.0);
}

TEST_F(WavshiftWindowTest, OverwriteOriginalReplacesTheSourceAndShowsItsNewFormat) {
    const std::string song = dir_ / "song.wav";
    WriteFile(song, SimpleWav(44100, 16, 2, StereoRamp(44100)));
    Start({QString::fromStdString(song)});
    std::string statusDuring;
    DuringTheRun([&] { statusDuring = Text(1024); });
    ResampleTo("22050", 0, 0, false, true);
    EXPECT_EQ(statusDuring, "  Resampling  " + song + "  to  " + song + "  . . .");
    EXPECT_EQ(Text(1024), "  " + song + "      . . . complete");
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"  Mono  ", "  8-Bit ", "   22050 Hz"}));
    EXPECT_NE(access((dir_ / "song.resampled.wav").c_str(), F_OK), 0);
    const Bytes replaced = ReadFile(song);
    EXPECT_EQ(Le32At(replaced, 24), 22050u);
    EXPECT_NEAR(replaced.size() - 44.0, 22050.0, 8.0);
}

TEST_F(WavshiftWindowTest, AFailedRunLeavesTheSourceAndSaysSo) {
    const std::string song = dir_ / "song.wav";
    const Bytes source = SimpleWav(44100, 16, 2, StereoRamp(20000));
    WriteFile(song, source);
    // A folder where the output would go: the output cannot be created.
    ASSERT_EQ(mkdir((dir_ / "song.resampled.wav").c_str(), 0755), 0);
    Start({QString::fromStdString(song)});
    ResampleTo("22050", 0, 0, false, true);
    EXPECT_EQ(ReadFile(song), source);
    EXPECT_EQ(Text(1024), "  " + dir_ / "song.resampled.wav" +
                              "      . . . failed: the output cannot be created");
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"  Stereo", "  16-Bit", "   44100 Hz"}));
    EXPECT_TRUE(FileControlsEnabled());
}

TEST_F(WavshiftWindowTest, ClosingDuringARunAbandonsItAndRemovesThePartialOutput) {
    const std::string song = dir_ / "song.wav";
    const Bytes source = SimpleWav(44100, 16, 2, StereoRamp(44100 * 3));
    WriteFile(song, source);
    Start({QString::fromStdString(song)});
    bool closedAtOnce = true;
    DuringTheRun([&] { closedAtOnce = window().close(); });
    ResampleTo("48000", 1, 1, false, true);
    EXPECT_FALSE(closedAtOnce);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(ReadFile(song), source);
    EXPECT_NE(access((dir_ / "song.resampled.wav").c_str(), F_OK), 0);
}

TEST_F(WavshiftWindowTest, EightBitMonoToSixteenBitStereoAsSoxReadsIt) {
    if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
    WriteFile(dir_ / "in.wav", SimpleWav(22050, 8, 1, MonoBytes(50000)));
    Start({QString::fromStdString(dir_ / "in.wav")});
    ResampleTo("22050", 1, 1);
    const std::string out = dir_ / "in.resampled.wav";
    for (auto [option, value] : {std::pair{"-r", "22050\n"}, {"-c", "2\n"}, {"-b", "16\n"}}) {
        std::string info;
        ASSERT_EQ(RunCommand("sox --i " + std::string(option) + " '" + out + "'", &info), 0);
        EXPECT_EQ(info, value) << option;
    }
    // sox's own conversion of the source against sox's reading of the output.
    std::string expected, actual;
    const std::string raw = " -t raw -e signed-integer -b 16 - | od -An -v -tx1";
    ASSERT_EQ(RunCommand("sox '" + dir_ / "in.wav" + "' -c 2" + raw, &expected), 0);
    ASSERT_EQ(RunCommand("sox '" + out + "'" + raw, &actual), 0);
    EXPECT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected) << "the samples differ from sox's own conversion";
}

TEST_F(WavshiftWindowTest, TheDeleteKeyOnReSampleAndTheHiddenOpenCommand) {
    WriteFile(dir_ / "a.wav", SimpleWav(44100, 16, 2, StereoRamp(100)));
    WriteFile(dir_ / "b.wav", SimpleWav(8000, 8, 1, MonoBytes(100)));
    Start({QString::fromStdString(dir_ / "a.wav")});
    std::string box;
    {
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Ok, &box));
        QTest::keyClick(Item(1000), Qt::Key_Delete);
    }
    EXPECT_EQ(box, "KEY DOWN|DELETE");

    std::string chooserTitle;
    ModalAnswers answers;
    answers.Then([&](QWidget* chooser) {
        chooserTitle = chooser->windowTitle().toStdString();
        ChooseFiles(dir_.path(), {"b.wav"})(chooser);
    });
    Item<QPushButton>(1006)->click();
    EXPECT_EQ(chooserTitle, "Open .WAV File");
    EXPECT_EQ(Text(1015), "  b.wav");
    EXPECT_EQ(FormatTexts(), (std::vector<std::string>{"  Mono  ", "  8-Bit ", "   8000 Hz"}));
}

TEST(WavshiftStartup, AMissingExportIsNamedAndNothingStarts) {
    wavshift::WavshiftProgram program(STUB_TONEKIT_SO);
    std::string text;
    ModalAnswers answers;
    answers.Then(PressButton(QMessageBox::Ok, &text));
    EXPECT_FALSE(program.Start({}));
    EXPECT_EQ(text, "ERROR|libtonekit.so has no function OpenWAV");
    EXPECT_EQ(program.window(), nullptr);
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
