// sonavert-setup's window: the agreement, the fields that take no typing,
// Browse, and installs into a temporary folder, with the converter's start
// recorded instead of carried out.
#include <sys/stat.h>

#include "qt_test_support.h"
#include "setup_window.h"

namespace {

using namespace testing_support;

// What an install holds: the files as the build made them, the programs executable.
const struct {
    const char* name;
    const char* built;
    mode_t mode;
} kInstalled[] = {
    {"sonavert", BIN_DIR "/sonavert", 0755},
    {"libtonekit.so", BIN_DIR "/libtonekit.so", 0644},
    {"libmp3lame.so.0", LAME_RUNTIME, 0644},
    {"wavshift", BIN_DIR "/wavshift", 0755},
};

long Entries(const std::string& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

class SetupWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ =
            std::make_unique<installer::SetupWindow>([this](const QString& p, const QString& f) {
                launches_.push_back(p + "|" + f);
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
    void ExpectInstalled(const std::string& folder) {
        for (const auto& file : kInstalled) {
            EXPECT_TRUE(ReadFile(folder + file.name) == ReadFile(file.built)) << file.name;
            struct stat st {};
            ASSERT_EQ(stat((folder + file.name).c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, file.mode) << file.name;
        }
        EXPECT_EQ(Entries(folder), 4) << "no temporary file is left";
    }

    TempDir dir_;
    std::unique_ptr<installer::SetupWindow> window_;
    QStringList launches_;
    bool launchWorks_ = true;
};

TEST_F(SetupWindowTest, TheAgreementEnablesInstallAndTheFieldsTakeNoTyping) {
    EXPECT_TRUE(Centred(window_.get()));
    EXPECT_EQ(Path(), (QDir::homePath() + "/").toStdString());
    const QString licence = Item<QPlainTextEdit>(1014)->toPlainText();
    EXPECT_TRUE(licence.contains("libmp3lame.so.0, installed beside the converter, is LAME"));
    for (auto* widget : window_->findChildren<QWidget*>())
        EXPECT_TRUE(tonekit::ui::ControlId(widget) == 0 || !widget->accessibleName().isEmpty())
            << tonekit::ui::ControlId(widget);
    EXPECT_FALSE(Item(1003)->isEnabled());
    for (bool agreed : {true, false}) {
        Item<QCheckBox>(1008)->click();
        EXPECT_EQ(Item(1003)->isEnabled(), agreed);
    }

    QTest::keyClicks(Item(1009), "abc");
    QTest::keyClick(Item(1009), Qt::Key_Backspace);
    QTest::keyClicks(Item(1014), "abc");
    QTest::keyClick(Item(1014), Qt::Key_Delete);
    EXPECT_EQ(Path(), (QDir::homePath() + "/").toStdString());
    EXPECT_EQ(Item<QPlainTextEdit>(1014)->toPlainText(), licence);
}

// Into the chosen folder, over an earlier install; the converter is started there.
TEST_F(SetupWindowTest, InstallsOverAnEarlierInstallAndReportsAConverterThatCannotStart) {
    const std::string folder = dir_ / "SONAVERT/";
    fs::create_directory(folder);
    for (const auto& file : kInstalled) WriteFile(folder + file.name, Bytes{1, 2, 3});
    ChooseParent(dir_.path());
    EXPECT_EQ(Path(), dir_.path() + "/");
    std::string opened;  // a second Browse opens in the folder the field shows
    {
        ModalAnswers answers;
        answers.Then(NoteFolder(&opened, Cancel()));
        Item<QPushButton>(1004)->click();
    }
    EXPECT_EQ(opened, dir_.path() + "/");
    launchWorks_ = false;
    std::vector<std::string> boxes;
    InstallAnswering(2, boxes);
    EXPECT_EQ(boxes, (std::vector<std::string>{"SUCCESS|SETUP is Complete !",
                                               "ERROR|Cannot Open Program"}));
    ExpectInstalled(folder);
    EXPECT_EQ(launches_, QStringList{QString::fromStdString(folder + "sonavert|" + folder)});
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(SetupWindowTest, AFolderOrFileThatCannotBeWrittenIsReportedWithoutSuccess) {
    // SONAVERT is a file: the folder cannot be made.
    ChooseParent(dir_.path());
    const std::string folder = dir_ / "SONAVERT/";
    WriteFile(dir_ / "SONAVERT", Bytes{1});
    std::vector<std::string> boxes;
    InstallAnswering(1, boxes);
    EXPECT_EQ(boxes[0],
              "ERROR|Cannot install into " + folder + "\n\n" + folder + ": Not a directory");
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(Item(1004)->isEnabled());

    // The library's name is taken by a folder: the program before it stays,
    // nothing half-written is left, and the window stays for another try.
    fs::remove(dir_ / "SONAVERT");
    fs::create_directories(folder + "libtonekit.so/inside");
    InstallAnswering(1, boxes);
    EXPECT_EQ(boxes[0].rfind(
                  "ERROR|Cannot install into " + folder + "\n\n" + folder + "libtonekit.so: ", 0),
              0u)
        << boxes[0];
    EXPECT_TRUE(fs::exists(folder + "sonavert"));
    EXPECT_EQ(Entries(folder), 2);
    EXPECT_TRUE(launches_.empty());
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
