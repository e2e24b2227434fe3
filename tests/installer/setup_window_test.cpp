// sonavert-setup's window: the agreement, the fields that take no typing,
// Browse, and installs into a temporary folder, with the converter's start
// recorded instead of carried out.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

#include <filesystem>

#include "payload.h"
#include "qt_test_support.h"
#include "setup_window.h"
#include "test_support.h"
#include "ui/dialog_items.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct Launch {
    QString program, folder;
};

class SetupWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ =
            std::make_unique<installer::SetupWindow>([this](const QString& p, const QString& f) {
                launches_.push_back({p, f});
                return launchWorks_;
            });
        window_->show();
    }
    template <typename Widget = QWidget>
    Widget* Item(int id) {
        return tonekit::ui::FindItem<Widget>(window_.get(), id);
    }
    std::string Path() { return Item<QLineEdit>(1009)->text().toStdString(); }
    void ChooseParent(const std::string& folder) {
        ModalAnswers answers;
        answers.Then(ChooseFolder(folder));
        Item<QPushButton>(1004)->click();
    }
    // Agrees and clicks Install; `boxes` receives the title|text of each box.
    void InstallAnswering(int boxCount, std::vector<std::string>& boxes) {
        boxes.assign(boxCount, "");
        Item<QCheckBox>(1008)->setChecked(true);
        ModalAnswers answers;
        for (auto& box : boxes) answers.Then(PressButton(QMessageBox::Ok, &box));
        Item<QPushButton>(1003)->click();
    }
    // The installed file equals its payload and has its mode.
    void ExpectInstalled(const std::string& folder) {
        for (const auto& file : installer::Payload()) {
            const Bytes written = ReadFile(folder + file.name);
            EXPECT_TRUE(written == Bytes(file.data, file.data + file.size)) << file.name;
            struct stat st {};
            ASSERT_EQ(stat((folder + file.name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, file.mode) << file.name;
        }
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
        EXPECT_EQ(entries, 4u) << "no temporary file is left";
    }

    TempDir dir_;
    std::unique_ptr<installer::SetupWindow> window_;
    std::vector<Launch> launches_;
    bool launchWorks_ = true;
};

TEST_F(SetupWindowTest, ControlsAndTheAgreement) {
    const QRect screen = window_->screen()->availableGeometry();
    EXPECT_LE((window_->frameGeometry().center() - screen.center()).manhattanLength(), 4);
    EXPECT_EQ(Path(), (QDir::homePath() + "/").toStdString());
    const QString licence = Item<QPlainTextEdit>(1014)->toPlainText();
    EXPECT_TRUE(licence.startsWith("MIT License"));
    EXPECT_TRUE(licence.contains("libmp3lame.so.0, installed beside the converter, is LAME"));
    EXPECT_TRUE(licence.contains("GNU Lesser General Public License"));
    auto* install = Item<QPushButton>(1003);
    EXPECT_FALSE(install->isEnabled());
    Item<QCheckBox>(1008)->click();
    EXPECT_TRUE(install->isEnabled());
    Item<QCheckBox>(1008)->click();
    EXPECT_FALSE(install->isEnabled());
    for (auto* widget : window_->findChildren<QWidget*>()) {
        if (tonekit::ui::ControlId(widget) == 0) continue;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << tonekit::ui::ControlId(widget);
    }
}

TEST_F(SetupWindowTest, TheFieldsTakeNoTypingAndThePathNoClicks) {
    const std::string path = Path();
    const QString licence = Item<QPlainTextEdit>(1014)->toPlainText();
    QTest::keyClicks(Item(1009), "abc");
    QTest::keyClick(Item(1009), Qt::Key_Backspace);
    QTest::keyClicks(Item(1014), "abc");
    QTest::keyClick(Item(1014), Qt::Key_Delete);
    EXPECT_EQ(Path(), path);
    EXPECT_EQ(Item<QPlainTextEdit>(1014)->toPlainText(), licence);
    Item(1004)->setFocus();
    QTest::mouseClick(Item(1009), Qt::LeftButton);
    EXPECT_FALSE(Item(1009)->hasFocus());
}

TEST_F(SetupWindowTest, InstallsIntoTheChosenFolderAndStartsTheConverter) {
    ChooseParent(dir_.path());
    EXPECT_EQ(Path(), dir_.path() + "/");
    QString opened;  // a second Browse opens in the folder the field shows
    {
        ModalAnswers answers;
        answers.Then([&](QWidget* chooser) {
            opened = static_cast<QFileDialog*>(chooser)->directory().absolutePath();
            Cancel()(chooser);
        });
        Item<QPushButton>(1004)->click();
    }
    EXPECT_EQ(opened.toStdString(), dir_.path());
    std::vector<std::string> boxes;
    InstallAnswering(1, boxes);
    EXPECT_EQ(boxes[0], "SUCCESS|SETUP is Complete !");
    const std::string folder = dir_ / "SONAVERT/";
    ExpectInstalled(folder);
    ASSERT_EQ(launches_.size(), 1u);
    EXPECT_EQ(launches_[0].program.toStdString(), folder + "sonavert");
    EXPECT_EQ(launches_[0].folder.toStdString(), folder);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(SetupWindowTest, ASecondInstallOverwritesAndAConverterThatCannotStartIsReported) {
    const std::string folder = dir_ / "SONAVERT/";
    fs::create_directory(folder);
    for (const auto& file : installer::Payload()) WriteFile(folder + file.name, Bytes{1, 2, 3});
    ChooseParent(dir_.path());
    launchWorks_ = false;
    std::vector<std::string> boxes;
    InstallAnswering(2, boxes);
    EXPECT_EQ(boxes, (std::vector<std::string>{"SUCCESS|SETUP is Complete !",
                                               "ERROR|Cannot Open Program"}));
    ExpectInstalled(folder);
}

TEST_F(SetupWindowTest, AFolderOrFileThatCannotBeWrittenIsReportedWithoutSuccess) {
    // SONAVERT is a file: the folder cannot be made.
    ChooseParent(dir_.path());
    WriteFile(dir_ / "SONAVERT", Bytes{1});
    std::vector<std::string> boxes;
    InstallAnswering(1, boxes);
    EXPECT_EQ(boxes[0], "ERROR|Cannot install into " + dir_ / "SONAVERT/" + "\n\n" +
                            dir_ / "SONAVERT/" + ": Not a directory");
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(Item(1004)->isEnabled());

    // The library's name is taken by a folder: the program before it stays,
    // nothing half-written is left, and the window stays for another try.
    fs::remove(dir_ / "SONAVERT");
    fs::create_directories(dir_ / "SONAVERT/libtonekit.so/inside");
    InstallAnswering(1, boxes);
    EXPECT_EQ(boxes[0].rfind("ERROR|Cannot install into " + dir_ / "SONAVERT/" + "\n\n" +
                                 dir_ / "SONAVERT/libtonekit.so: ",
                             0),
              0u)
        << boxes[0];
    EXPECT_TRUE(fs::exists(dir_ / "SONAVERT/sonavert"));
    EXPECT_FALSE(fs::exists(dir_ / "SONAVERT/wavshift"));
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_ / "SONAVERT")) ++entries;
    EXPECT_EQ(entries, 2u);
    EXPECT_TRUE(launches_.empty());
}

TEST_F(SetupWindowTest, ThePayloadIsWhatTheBuildMade) {
    const std::pair<const char*, std::string> sources[] = {
        {"sonavert", BIN_DIR "/sonavert"},
        {"libtonekit.so", BIN_DIR "/libtonekit.so"},
        {"libmp3lame.so.0", LAME_RUNTIME},
        {"wavshift", BIN_DIR "/wavshift"},
    };
    const auto payload = installer::Payload();
    ASSERT_EQ(payload.size(), 4u);
    for (size_t i = 0; i < payload.size(); ++i) {
        EXPECT_STREQ(payload[i].name, sources[i].first);
        EXPECT_TRUE(ReadFile(sources[i].second) ==
                    Bytes(payload[i].data, payload[i].data + payload[i].size))
            << sources[i].first;
    }
}

// SONAVERT_SNAPSHOTS=/some/folder build/bin/installer_tests --gtest_filter=*Snapshots*
TEST_F(SetupWindowTest, Snapshots) {
    const char* folder = std::getenv("SONAVERT_SNAPSHOTS");
    if (!folder || !*folder) GTEST_SKIP() << "SONAVERT_SNAPSHOTS names no folder";
    Snapshot(window_.get(), folder, "setup");
    Item<QCheckBox>(1008)->setChecked(true);
    Snapshot(window_.get(), folder, "setup_agreed");
}

}  // namespace
