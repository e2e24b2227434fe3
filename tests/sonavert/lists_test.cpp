// The input and output lists through the window: adding, removing, deleting
// and renaming, with the real library probing real files.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "converter_fixture.h"

namespace sonavert_testing {
namespace {

namespace fs = std::filesystem;
using testing_support::ChooseFiles;
using testing_support::ChooseFolder;
using testing_support::ModalAnswers;
using testing_support::PressButton;

class InputListTest : public ConverterWindow {
  protected:
    void SetUp() override {
        ConverterWindow::SetUp();
        music_ = home_ + "Music/";
        CopyMedia("one.mp3", music_ + "one.mp3");
        CopyMedia("two.wav", music_ + "two.wav");
        CopyMedia("broken.mp3", music_ + "broken.mp3");
        testing_support::WriteFile(music_ + "Track01.cda", {0});
        CopyMedia("three.wma", music_ + "Sub/three.wma");
        CopyMedia("one.mp3", music_ + "Sub/notes.txt");
    }

    void AddFiles(const std::vector<std::string>& names) {
        ModalAnswers answers;
        answers.Then(ChooseFiles(music_, names));
        Click(1014);
    }

    void AddFolder(const std::string& folder, bool subfolders) {
        ModalAnswers answers;
        answers.Then(ChooseFolder(folder))
            .Then(PressButton(subfolders ? QMessageBox::Yes : QMessageBox::No));
        Trigger(40035);
    }

    std::string music_;
};

TEST_F(InputListTest, AddFilesProbesSkipsDuplicatesAndFillsTheTable) {
    AddFiles({"one.mp3", "broken.mp3", "Track01.cda"});
    AddFiles({"one.mp3", "two.wav"});
    // The file that does not decode is left out, the CD track is added
    // without a probe, and the second one.mp3 is a duplicate.
    EXPECT_EQ(InputPaths(), (std::vector<std::string>{music_ + "one.mp3", music_ + "Track01.cda",
                                                      music_ + "two.wav"}));
    const std::vector<std::string> row0{
        "1", "one", "MP3", "0:01", " --- ", QString::fromStdString(music_).toLower().toStdString()};
    for (int column = 0; column < 6; ++column) EXPECT_EQ(Cell(0, column), row0[column]);
    EXPECT_EQ(Cell(1, 2), "CDA");
    EXPECT_EQ(Cell(1, 3), "");
    EXPECT_EQ(Cell(2, 3), "0:01");  // 1.99 s: whole seconds, cut
    EXPECT_EQ(converter().settings.addFilesFolder, music_);
    EXPECT_TRUE(Item(1017)->isEnabled());
    EXPECT_TRUE(Item(1010)->isEnabled());
    EXPECT_TRUE(window().Action(1017)->isEnabled());
    EXPECT_EQ(Status(), " Idle");
}

TEST_F(InputListTest, PathsDifferingOnlyInCaseAreDifferentFiles) {
    CopyMedia("one.mp3", music_ + "ONE.mp3");
    AddFiles({"one.mp3", "ONE.mp3"});
    EXPECT_EQ(InputPaths().size(), 2u);
}

TEST_F(InputListTest, AddFolderWithAndWithoutSubfolders) {
    // A WAV file without a frame opens but has no length: Add Folder skips it.
    testing_support::WriteFile(music_ + "empty.wav", testing_support::SimpleWav(44100, 16, 2, {}));
    AddFolder(music_, false);
    EXPECT_EQ(InputPaths().size(), 3u);  // one.mp3, two.wav, Track01.cda
    AddFolder(music_, true);
    const auto paths = InputPaths();
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths.back(), music_ + "Sub/three.wma");
    EXPECT_EQ(Cell(3, 5), QString::fromStdString(music_ + "Sub/").toLower().toStdString());

    // The Length cells show the files as they are at every rebuild.
    const int removed = std::find(paths.begin(), paths.end(), music_ + "one.mp3") - paths.begin();
    EXPECT_EQ(Cell(removed, 3), "0:01");
    fs::remove(music_ + "one.mp3");
    window().inputs().Rebuild(false);
    EXPECT_EQ(Cell(removed, 3), "");
    EXPECT_EQ(Cell(3, 3), "0:01");
}

TEST_F(InputListTest, AFolderTooLongToRememberIsSaidSo) {
    const std::string deep = music_ + std::string(200, 'd') + "/" + std::string(60, 'e') + "/";
    CopyMedia("one.mp3", deep + "one.mp3");
    ModalAnswers answers;
    std::string text;
    answers.Then(ChooseFiles(deep, {"one.mp3"})).Then(PressButton(QMessageBox::Ok, &text));
    Click(1014);
    EXPECT_EQ(text, "WARNING|The folder's path is too long to be remembered for the next Add:\n\n" +
                        deep);
    EXPECT_EQ(InputPaths(), std::vector<std::string>{deep + "one.mp3"});
    EXPECT_EQ(converter().settings.addFilesFolder, home_);
}

TEST_F(InputListTest, CancelledChoosersChangeNothing) {
    ModalAnswers answers;
    answers.Then(testing_support::Cancel()).Then(testing_support::Cancel());
    Click(1014);
    Trigger(40035);
    EXPECT_TRUE(InputPaths().empty());
    EXPECT_FALSE(Item(1010)->isEnabled());
}

// Run by its own ctest entry with the fake drive preloaded as /dev/sr0.
TEST_F(InputListTest, AddCdTracksAddsEveryTrackOnceWithoutAProbe) {
    if (!std::getenv("SONAVERT_FAKE_SR0")) GTEST_SKIP() << "needs the preloaded fake drive";
    Trigger(40040);
    Trigger(40040);
    EXPECT_EQ(InputPaths(),
              (std::vector<std::string>{"/dev/sr0/Track01.cda", "/dev/sr0/Track02.cda",
                                        "/dev/sr0/Track03.cda"}));
    EXPECT_EQ(Cell(2, 1), "Track03");
    EXPECT_EQ(Cell(2, 3), "");
    EXPECT_TRUE(Item(1010)->isEnabled());
}

TEST_F(InputListTest, DroppedFilesAndFoldersAreAddedByTheSameRules) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(music_ + "two.wav")),
                  QUrl::fromLocalFile(QString::fromStdString(music_ + "broken.mp3")),
                  QUrl::fromLocalFile(QString::fromStdString(music_ + "Sub"))});
    QWidget* target = window().inputs().table()->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_EQ(InputPaths(),
              (std::vector<std::string>{music_ + "two.wav", music_ + "Sub/three.wma"}));
}

TEST_F(InputListTest, RemoveAndTheDeleteKeyTakeTheSelectedRows) {
    AddFiles({"one.mp3", "two.wav", "Track01.cda"});
    window().inputs().table()->selectRow(1);
    Click(1017);
    EXPECT_EQ(InputPaths(), (std::vector<std::string>{music_ + "one.mp3", music_ + "Track01.cda"}));
    // The Delete key works from any control, here the output list.
    window().inputs().table()->selectRow(0);
    QTest::keyClick(Item(1008), Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_EQ(InputPaths(), (std::vector<std::string>{music_ + "Track01.cda"}));
    EXPECT_EQ(Cell(0, 0), "1");
    // Not in a chooser: there Delete edits the typed name.
    {
        ModalAnswers answers;
        answers.Then([](QWidget* chooser) {
            QTest::keyClick(chooser->findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Delete);
            QApplication::processEvents();
            testing_support::Cancel()(chooser);
        });
        window().inputs().table()->selectRow(0);
        Click(1014);
    }
    EXPECT_EQ(InputPaths().size(), 1u);
    // Not during a run.
    converter().flags.running = true;
    window().inputs().table()->selectRow(0);
    QTest::keyClick(Item(1008), Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_EQ(InputPaths().size(), 1u);
    converter().flags.running = false;
}

TEST_F(InputListTest, ClearAsksAndKeepsTheButtonsAsTheyAre) {
    AddFiles({"one.mp3"});
    {
        ModalAnswers answers;
        std::string text;
        answers.Then(PressButton(QMessageBox::No, &text));
        Trigger(40036);
        EXPECT_EQ(text, "CONFIRM CLEAR INPUT LIST|Are you Sure?");
    }
    EXPECT_EQ(InputPaths().size(), 1u);
    {
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Yes));
        Trigger(40036);
    }
    EXPECT_TRUE(InputPaths().empty());
    EXPECT_EQ(window().inputs().table()->rowCount(), 0);
    EXPECT_TRUE(Item(1010)->isEnabled());
}

TEST_F(InputListTest, DeleteAllInputMediaNeedsBothConfirmations) {
    AddFiles({"one.mp3", "two.wav"});
    {
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Yes)).Then(PressButton(QMessageBox::No));
        Trigger(40031);
    }
    EXPECT_TRUE(fs::exists(music_ + "one.mp3"));
    EXPECT_EQ(InputPaths().size(), 2u);
    {
        ModalAnswers answers;
        std::string first, second;
        answers.Then(PressButton(QMessageBox::Yes, &first))
            .Then(PressButton(QMessageBox::Yes, &second));
        Trigger(40031);
        EXPECT_EQ(first.substr(0, 52), "CONFIRM FILE DELETE|You are about to PERMANENTLY DEL");
        EXPECT_EQ(second,
                  "CONFIRM FILE DELETE|Please Confirm.             \n\nAre you "
                  "absolutely Sure?                ");
    }
    EXPECT_FALSE(fs::exists(music_ + "one.mp3"));
    EXPECT_FALSE(fs::exists(music_ + "two.wav"));
    EXPECT_TRUE(InputPaths().empty());
}

class OutputListTest : public ConverterWindow {
  protected:
    void SetUp() override {
        ConverterWindow::SetUp();
        for (const char* name : {"b.mp3", "a.MP3", "c.wav", "d.mp3"})
            CopyMedia("one.mp3", program_ + name);
        fs::create_directory(program_ + "folder.mp3");
        window().RefreshOutputList();
    }

    void Select(const std::vector<int>& rows) {
        auto* list = Item<QListWidget>(1008);
        list->clearSelection();
        for (int row : rows) list->item(row)->setSelected(true);
        if (!rows.empty()) list->setCurrentRow(rows.front(), QItemSelectionModel::NoUpdate);
    }

    // Opens the rename box on `row` and presses OK with `text`.
    QWidget* RenameTo(int row, const std::string& text) {
        Select({row});
        Click(1033);
        QWidget* box = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && tonekit::ui::ControlId(w) == 149) box = w;
        if (!box) return nullptr;
        tonekit::ui::FindItem<QLineEdit>(box, 1037)->setText(QString::fromStdString(text));
        tonekit::ui::FindItem<QAbstractButton>(box, 1)->click();
        QApplication::processEvents();
        return box->isVisible() ? box : nullptr;
    }
};

TEST_F(OutputListTest, ShowsTheFilesOfTheChosenFormat) {
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.MP3", "b.mp3", "d.mp3"}));
    // Hidden files too, and the chosen names that still exist stay chosen.
    for (const char* name : {".mp3", ".hidden.mp3"}) CopyMedia("one.mp3", program_ + name);
    Select({0, 1});
    window().RefreshOutputList();
    EXPECT_EQ(OutputNames(),
              (std::vector<std::string>{".hidden.mp3", ".mp3", "a.MP3", "b.mp3", "d.mp3"}));
    fs::remove(program_ + "a.MP3");
    window().RefreshOutputList();
    QStringList chosen;
    for (auto* item : Item<QListWidget>(1008)->selectedItems()) chosen << item->text();
    EXPECT_EQ(chosen, QStringList{"b.mp3"});

    Item<QComboBox>(1023)->setCurrentIndex(2);
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), program_ + "*.wav");
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"c.wav"}));
    EXPECT_EQ(converter().settings.formatIndex, 2);
}

TEST_F(OutputListTest, DeleteAsksOnlyWhenSomethingIsSelected) {
    Click(1025);  // nothing selected: no box, nothing deleted
    EXPECT_EQ(OutputNames().size(), 3u);
    Select({0, 2});
    {
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Yes));
        Click(1025);
    }
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"b.mp3"}));
    EXPECT_FALSE(fs::exists(program_ + "a.MP3"));
    EXPECT_FALSE(converter().flags.deletingOutputs);
}

TEST_F(OutputListTest, RenameKeepsTheExtensionAndRefusesWhatWouldLoseAFile) {
    EXPECT_EQ(RenameTo(1, "renamed"), nullptr);
    EXPECT_TRUE(fs::exists(program_ + "renamed.mp3"));
    EXPECT_FALSE(fs::exists(program_ + "b.mp3"));

    // An existing name: nothing is renamed and the other file stays.
    const auto before = testing_support::ReadFile(program_ + "d.mp3");
    EXPECT_EQ(RenameTo(2, "d"), nullptr);  // renamed.mp3 -> d.mp3
    EXPECT_TRUE(fs::exists(program_ + "renamed.mp3"));
    EXPECT_EQ(testing_support::ReadFile(program_ + "d.mp3"), before);

    // A blank or a slash: the warning, and the box stays open.
    for (const char* bad : {"two words", "../escaped", ""}) {
        ModalAnswers answers;
        std::string text;
        answers.Then(PressButton(QMessageBox::Ok, &text));
        QWidget* box = RenameTo(0, bad);
        ASSERT_NE(box, nullptr) << bad;
        EXPECT_EQ(text, "WARNING|INVALID NAME          \n\nTry Again");
        box->close();
        QApplication::processEvents();
    }
    EXPECT_TRUE(window().isEnabled());
    EXPECT_TRUE(fs::exists(program_ + "a.MP3"));
}

TEST_F(OutputListTest, ResampleStartsWavshiftOnWavOutputsOnly) {
    Select({0});
    Click(1031);
    EXPECT_TRUE(startedPrograms_.empty());
    CopyMedia("two.wav", program_ + "my song.wav");
    Item<QComboBox>(1023)->setCurrentIndex(2);
    Select({1});
    Click(1031);
    ASSERT_EQ(startedPrograms_.size(), 1u);
    EXPECT_EQ(startedPrograms_[0], QStringList({QString::fromStdString(program_ + "wavshift"),
                                                QString::fromStdString(program_ + "my song.wav")}));
    Click(1026);
    ASSERT_EQ(openedUrls_.size(), 1u);
    EXPECT_EQ(openedUrls_[0].toLocalFile().toStdString(), program_);
}

TEST_F(OutputListTest, ChosenOutputFolderIsKept) {
    const std::string other = dir_ / "elsewhere";
    fs::create_directory(other);
    QString opened;
    {
        ModalAnswers answers;
        answers.Then([&](QWidget* chooser) {
            opened = static_cast<QFileDialog*>(chooser)->directory().absolutePath() + "/";
            ChooseFolder(other)(chooser);
        });
        Click(1013);
    }
    EXPECT_EQ(opened.toStdString(), program_);  // the chooser opens in the current folder
    EXPECT_EQ(converter().settings.outputFolder, other + "/");
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), other + "/*.mp3");
    EXPECT_TRUE(OutputNames().empty());
    EXPECT_TRUE(Item(1013)->isEnabled());
}

}  // namespace
}  // namespace sonavert_testing
