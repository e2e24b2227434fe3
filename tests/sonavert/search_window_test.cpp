// The search window: finding, listing and handing files to the input list.
#include "search_window.h"
#include "converter_fixture.h"

namespace sonavert_testing {
namespace {

class SearchWindowTest : public ConverterWindow {
  protected:
    void SetUp() override {
        ConverterWindow::SetUp();
        tree_ = home_ + "Tree/";
        CopyMedia("one.mp3", tree_ + "Rock/Song.MP3");
        CopyMedia("one.mp3", tree_ + "b.mp3");
        CopyMedia("broken.mp3", tree_ + "broken.mp3");
        CopyMedia("two.wav", tree_ + "Rock/two.wav");
        converter().settings.searchFolder = tree_;
        Click(1030);
        search_ = window().searchWindow();
        ASSERT_NE(search_, nullptr);
    }
    template <typename Widget = QWidget>
    Widget* In(int id) {
        return tonekit::ui::FindItem<Widget>(search_, id);
    }
    QTableWidget* Results() { return search_->findChild<QTableWidget*>(); }
    std::string Row(int row, int column) {
        return Results()->item(row, column)->text().toStdString();
    }
    std::string tree_;
    sonavert::SearchWindow* search_ = nullptr;
};

TEST_F(SearchWindowTest, FindsTheCheckedTypesAndCountsWhatItCannotRead) {
    In<QCheckBox>(1045)->setChecked(false);  // WAV off
    In<QAbstractButton>(4)->click();
    // broken.mp3 is met and counted, but the reader cannot open it.
    EXPECT_EQ(AccessibleName(In(1049)), "Files Found : 3");  // as the title says
    EXPECT_EQ(AccessibleName(In(1048)), tree_);
    ASSERT_EQ(Results()->rowCount(), 2);
    EXPECT_EQ(Row(0, 1), "b");
    EXPECT_EQ(Row(1, 1) + Row(1, 2), "SongMP3");
    EXPECT_EQ(Row(1, 4), QString::fromStdString(tree_ + "Rock/").toLower().toStdString());
}

TEST_F(SearchWindowTest, ShowsFoldersShortenedAndRefusesToCloseUntilStopped) {
    WriteFile(tree_ + "Rock/notes.txt", {'x'});  // a file of no wanted type
    std::vector<std::string> statuses;
    bool refused = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        statuses.push_back(In<QLabel>(1020)->text().toStdString());
        if (!search_->searching() || refused) return;
        search_->close();
        refused = search_->isVisible();
    });
    watch.start(0);
    In<QAbstractButton>(4)->click();
    watch.stop();
    EXPECT_TRUE(refused);
    // A long folder is shown by its start, " ... /" and its last name.
    EXPECT_NE(std::find_if(statuses.begin(), statuses.end(),
                           [](const std::string& s) { return s.ends_with("/ ... /Rock"); }),
              statuses.end());
}

TEST_F(SearchWindowTest, AddHandsTheSelectedRowsOverOnce) {
    In<QAbstractButton>(4)->click();
    ASSERT_EQ(Results()->rowCount(), 3);
    Results()->selectRow(0);
    In<QAbstractButton>(1)->click();
    In<QAbstractButton>(1)->click();  // already listed: not added again
    EXPECT_EQ(InputPaths(), std::vector<std::string>{tree_ + "b.mp3"});
    EXPECT_TRUE(Item(1010)->isEnabled());
    In<QAbstractButton>(5)->click();  // Select All
    In<QAbstractButton>(1)->click();
    EXPECT_EQ(InputPaths().size(), 3u);
}

// Beside the main window, one at a time, none while previewing; its Change
// opens the chooser in the search folder.
TEST_F(SearchWindowTest, OneBesideTheMainWindowAndNoneWhilePreviewing) {
    EXPECT_FALSE(search_->frameGeometry().intersects(window().frameGeometry()));
    EXPECT_TRUE(window().screen()->availableGeometry().contains(search_->frameGeometry()));
    Click(1030);
    EXPECT_EQ(window().searchWindow(), search_);
    std::string opened;
    ModalAnswers answers;
    answers.Then(NoteFolder(&opened, Cancel()));
    In<QAbstractButton>(1050)->click();
    EXPECT_EQ(opened, tree_);
    search_->close();
    QApplication::processEvents();
    converter().flags.previewing = true;
    Click(1030);
    EXPECT_EQ(window().searchWindow(), nullptr);
    converter().flags.previewing = false;
}

}  // namespace
}  // namespace sonavert_testing
