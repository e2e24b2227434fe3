// The input and output lists through the window: adding, removing, deleting
// and renaming, with the real library probing real files.
#include "converter_fixture.h"

namespace sonavert_testing {
namespace {

using Paths = std::vector<std::string>;

class InputListTest : public ConverterWindow {
  protected:
    void SetUp() override {
        ConverterWindow::SetUp();
        music_ = home_ + "Music/";
        for (const char* name : {"one.mp3", "two.wav", "broken.mp3"})
            CopyMedia(name, music_ + name);
        WriteFile(music_ + "Track01.cda", {0});
        CopyMedia("three.wma", music_ + "Sub/three.wma");
        CopyMedia("one.mp3", music_ + "Sub/notes.txt");
    }
    void AddFiles(const Paths& names) {
        ModalAnswers answers;
        answers.Then(ChooseFiles(music_, names));
        Click(1014);
    }
    void AddFolder(bool subfolders) {
        ModalAnswers answers;
        answers.Then(ChooseFolder(music_))
            .Then(PressButton(subfolders ? QMessageBox::Yes : QMessageBox::No));
        Trigger(40035);
    }
    // Answers the confirmations of a command with Yes, then No.
    void Confirm(int command, int yeses, bool thenNo) {
        ModalAnswers answers;
        for (int i = 0; i < yeses; ++i) answers.Then(PressButton(QMessageBox::Yes));
        if (thenNo) answers.Then(PressButton(QMessageBox::No));
        Trigger(command);
    }
    std::string music_;
};

TEST_F(InputListTest, AddFilesProbesSkipsDuplicatesAndFillsTheTable) {
    CopyMedia("one.mp3", music_ + "ONE.mp3");  // a different file on Linux
    AddFiles({"one.mp3", "broken.mp3", "Track01.cda"});
    AddFiles({"one.mp3", "two.wav", "ONE.mp3"});
    // The file that does not decode is left out, the CD track is added
    // without a probe, and the second one.mp3 is a duplicate.
    EXPECT_EQ(InputPaths(), (Paths{music_ + "one.mp3", music_ + "Track01.cda", music_ + "two.wav",
                                   music_ + "ONE.mp3"}));
    const std::string folder = QString::fromStdString(music_).toLower().toStdString();
    EXPECT_EQ((Paths{Cell(0, 0), Cell(0, 1), Cell(0, 2), Cell(0, 3), Cell(0, 5)}),
              (Paths{"1", "one", "MP3", "0:01", folder}));
    EXPECT_EQ(Cell(1, 3), "");
    EXPECT_EQ(converter().settings.addFilesFolder, music_);
    EXPECT_TRUE(Item(1010)->isEnabled());
}

TEST_F(InputListTest, AddFolderSkipsFilesWithoutLengthAndShowsLengthsAsTheyAre) {
    // A WAV file without a frame opens but has no length: Add Folder skips it.
    WriteFile(music_ + "empty.wav", SimpleWav(44100, 16, 2, {}));
    AddFolder(false);
    EXPECT_EQ(InputPaths().size(), 3u);  // one.mp3, two.wav, Track01.cda
    AddFolder(true);
    const auto paths = InputPaths();
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths.back(), music_ + "Sub/three.wma");
    // The Length cells show the files as they are at every rebuild.
    const int removed = std::find(paths.begin(), paths.end(), music_ + "one.mp3") - paths.begin();
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
    EXPECT_NE(text.find("too long to be remembered"), std::string::npos) << text;
    EXPECT_EQ(InputPaths(), Paths{deep + "one.mp3"});
    EXPECT_EQ(converter().settings.addFilesFolder, home_);
}

// Run by its own ctest entry with the fake drive preloaded as /dev/sr0.
TEST_F(InputListTest, AddCdTracksAddsEveryTrackOnceWithoutAProbe) {
    if (!std::getenv("SONAVERT_FAKE_SR0")) GTEST_SKIP() << "needs the preloaded fake drive";
    Trigger(40040);
    Trigger(40040);
    EXPECT_EQ(InputPaths(),
              (Paths{"/dev/sr0/Track01.cda", "/dev/sr0/Track02.cda", "/dev/sr0/Track03.cda"}));
    EXPECT_EQ(Cell(2, 1) + Cell(2, 3), "Track03");
}

TEST_F(InputListTest, DroppedFilesAndFoldersAreAddedByTheSameRules) {
    EXPECT_TRUE(DropFiles(window().inputs().table()->viewport(),
                          {music_ + "two.wav", music_ + "broken.mp3", music_ + "Sub"}));
    EXPECT_EQ(InputPaths(), (Paths{music_ + "two.wav", music_ + "Sub/three.wma"}));
}

TEST_F(InputListTest, RemoveAndTheDeleteKeyTakeTheSelectedRows) {
    AddFiles({"one.mp3", "two.wav", "Track01.cda"});
    window().inputs().table()->selectRow(1);
    Click(1017);
    EXPECT_EQ(InputPaths(), (Paths{music_ + "one.mp3", music_ + "Track01.cda"}));
    // The Delete key works from any control, here the output list.
    auto pressDelete = [&](QWidget* where) {
        window().inputs().table()->selectRow(0);
        QTest::keyClick(where, Qt::Key_Delete);
        QApplication::processEvents();
    };
    pressDelete(Item(1008));
    EXPECT_EQ(InputPaths(), Paths{music_ + "Track01.cda"});
    EXPECT_EQ(Cell(0, 0), "1");
    // Not in a chooser (there it edits the typed name), nor in a box, nor
    // during a run.
    {
        ModalAnswers answers;
        answers.Then([&](QWidget* chooser) {
            pressDelete(chooser->findChild<QLineEdit*>("fileNameEdit"));
            Cancel()(chooser);
        });
        Click(1014);
    }
    Trigger(40007);
    pressDelete(TopLevel(147));  // the about box
    TopLevel(147)->close();
    converter().flags.running = true;
    pressDelete(Item(1008));
    converter().flags.running = false;
    EXPECT_EQ(InputPaths().size(), 1u);
}

TEST_F(InputListTest, ClearAndDeleteAllMediaAskFirst) {
    AddFiles({"one.mp3", "two.wav"});
    Confirm(40036, 0, true);  // Clear Input List: No
    Confirm(40031, 1, true);  // Delete All Input Media: Yes, then No
    EXPECT_EQ(InputPaths().size(), 2u);
    EXPECT_TRUE(fs::exists(music_ + "one.mp3"));
    Confirm(40031, 2, false);
    EXPECT_FALSE(fs::exists(music_ + "one.mp3") || fs::exists(music_ + "two.wav"));
    EXPECT_TRUE(InputPaths().empty());
    AddFiles({"Track01.cda"});
    Confirm(40036, 1, false);
    EXPECT_EQ(window().inputs().table()->rowCount(), 0);
    EXPECT_TRUE(Item(1010)->isEnabled());  // the buttons stay as they were
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
    // Opens the rename box on `row` and presses OK with `text`; the box if it stays.
    QWidget* RenameTo(int row, const std::string& text) {
        Select({row});
        Click(1033);
        QWidget* box = TopLevel(149);
        if (!box) return nullptr;
        tonekit::ui::FindItem<QLineEdit>(box, 1037)->setText(QString::fromStdString(text));
        tonekit::ui::FindItem<QAbstractButton>(box, 1)->click();
        QApplication::processEvents();
        return box->isVisible() ? box : nullptr;
    }
};

TEST_F(OutputListTest, ShowsTheFilesOfTheChosenFormatAndKeepsTheChosenOnes) {
    // Hidden files too, and the chosen names that still exist stay chosen.
    for (const char* name : {".mp3", ".hidden.mp3"}) CopyMedia("one.mp3", program_ + name);
    window().RefreshOutputList();
    EXPECT_EQ(OutputNames(), (Paths{".hidden.mp3", ".mp3", "a.MP3", "b.mp3", "d.mp3"}));
    Select({2, 3});
    fs::remove(program_ + "a.MP3");
    window().RefreshOutputList();
    QStringList chosen;
    for (auto* item : Item<QListWidget>(1008)->selectedItems()) chosen << item->text();
    EXPECT_EQ(chosen, QStringList{"b.mp3"});

    Item<QComboBox>(1023)->setCurrentIndex(2);
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), program_ + "*.wav");
    EXPECT_EQ(OutputNames(), Paths{"c.wav"});
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
    EXPECT_EQ(OutputNames(), Paths{"b.mp3"});
    EXPECT_FALSE(fs::exists(program_ + "a.MP3"));
}

TEST_F(OutputListTest, RenameKeepsTheExtensionAndRefusesWhatWouldLoseAFile) {
    EXPECT_EQ(RenameTo(1, "renamed"), nullptr);
    EXPECT_TRUE(fs::exists(program_ + "renamed.mp3"));
    EXPECT_FALSE(fs::exists(program_ + "b.mp3"));
    // An existing name: nothing is renamed and the other file stays.
    const auto before = ReadFile(program_ + "d.mp3");
    EXPECT_EQ(RenameTo(2, "d"), nullptr);  // renamed.mp3 -> d.mp3
    EXPECT_TRUE(fs::exists(program_ + "renamed.mp3"));
    EXPECT_EQ(ReadFile(program_ + "d.mp3"), before);
    // A blank, a slash or nothing: the warning, and the box stays open.
    for (const char* bad : {"two words", "../escaped", ""}) {
        ModalAnswers answers;
        answers.Then(PressButton(QMessageBox::Ok));
        QWidget* box = RenameTo(0, bad);
        ASSERT_NE(box, nullptr) << bad;
        EXPECT_FALSE(window().isEnabled());  // until the box goes
        box->close();
        QApplication::processEvents();
    }
    EXPECT_TRUE(window().isEnabled());
    EXPECT_TRUE(fs::exists(program_ + "a.MP3"));
}

TEST_F(OutputListTest, ResampleStartsWavshiftOnWavOutputsOnlyAndGotoOpensTheFolder) {
    Select({0});
    Click(1031);
    EXPECT_TRUE(startedPrograms_.empty());
    CopyMedia("two.wav", program_ + "my song.wav");
    Item<QComboBox>(1023)->setCurrentIndex(2);
    Select({1});
    Click(1031);
    const QString program = QString::fromStdString(program_);
    EXPECT_EQ(startedPrograms_,
              (std::vector{QStringList{program + "wavshift", program + "my song.wav"}}));
    Click(1026);
    ASSERT_EQ(openedUrls_.size(), 1u);
    EXPECT_EQ(openedUrls_[0].toLocalFile().toStdString(), program_);
}

TEST_F(OutputListTest, ChosenOutputFolderIsKept) {
    const std::string other = dir_ / "elsewhere/";
    fs::create_directory(other);
    std::string opened;
    {
        ModalAnswers answers;
        answers.Then(NoteFolder(&opened, ChooseFolder(other)));
        Click(1013);
    }
    EXPECT_EQ(opened, program_);  // the chooser opens in the current folder
    EXPECT_EQ(converter().settings.outputFolder, other);
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), other + "*.mp3");
    EXPECT_TRUE(OutputNames().empty());
}

}  // namespace
}  // namespace sonavert_testing
