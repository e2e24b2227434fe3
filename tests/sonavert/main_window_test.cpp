// The main window as a user meets it: controls, menu, settings, closing.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

#include "converter_fixture.h"
#include "playback.h"
#include "search_window.h"

namespace sonavert_testing {
namespace {

using testing_support::AccessibleName;
using testing_support::ReadFile;

QWidget* TopLevel(int id) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && tonekit::ui::ControlId(widget) == id) return widget;
    return nullptr;
}

int32_t Field(const testing_support::Bytes& record, size_t offset) {
    return static_cast<int32_t>(testing_support::Le32At(record, offset));
}

using MainWindowTest = ConverterWindow;

TEST_F(MainWindowTest, ShowsEveryControlNamedAndInItsStartingState) {
    EXPECT_EQ(window().windowTitle(), "Sonavert 1.0");
    const std::pair<int, const char*> texts[] = {
        {1029, "INPUT MEDIA"}, {1014, "Add"},
        {1017, "Remove"},      {1030, "Search"},
        {1010, "Convert"},     {1016, "Play"},
        {1012, "Help"},        {1028, "    OUTPUT MEDIA    "},
        {1013, "..."},         {1027, "Convert To :"},
        {1043, "1.00"},        {1042, "RESET"},
        {1011, "Play  "},      {1031, "Resample"},
        {1015, "Select All"},  {1025, "Delete "},
        {1033, "Rename"},      {1026, "Goto"},
        {1020, " Idle"},
    };
    for (const auto& [id, text] : texts) {
        ASSERT_NE(Item(id), nullptr) << id;
        EXPECT_EQ(QString(converter().tk.wmGetText(window().dialog(), id)), text) << id;
    }
    EXPECT_FALSE(Item(1017)->isEnabled());
    EXPECT_FALSE(Item(1010)->isEnabled());
    EXPECT_FALSE(window().Action(1017)->isEnabled());
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), program_ + "*.mp3");

    auto* table = window().inputs().table();
    EXPECT_EQ(table->geometry(), QRect(16, 101, 500, 128));
    const std::pair<const char*, int> columns[] = {{"#", 40},      {"Title", 180}, {"Type", 50},
                                                   {"Length", 60}, {"Status", 55}, {"Path", 90}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(table->horizontalHeaderItem(i)->text(), columns[i].first);
        EXPECT_EQ(table->columnWidth(i), columns[i].second);
    }
    auto* pitch = Item<QSlider>(1000);
    EXPECT_EQ(pitch->minimum(), 0);
    EXPECT_EQ(pitch->maximum(), 100);
    EXPECT_EQ(pitch->value(), 50);
    EXPECT_EQ(pitch->tickInterval(), 5);
    auto* format = Item<QComboBox>(1023);
    ASSERT_EQ(format->count(), 3);
    EXPECT_EQ(format->itemText(2), ".wav");
    EXPECT_EQ(format->currentIndex(), 0);

    // Every visible control can be found by a screen reader, and the 15 tips
    // are their descriptions; a control whose text changes is heard by the
    // text it shows now.
    int described = 0;
    for (QWidget* child : window().dialog()->findChildren<QWidget*>()) {
        if (child->parentWidget() != window().dialog() || !child->isVisible()) continue;
        EXPECT_FALSE(AccessibleName(child).empty() && child->accessibleDescription().isEmpty())
            << child->metaObject()->className();
        if (!child->toolTip().isEmpty()) {
            ++described;
            EXPECT_EQ(child->accessibleDescription(), child->toolTip());
        }
    }
    EXPECT_EQ(described, 15);
    EXPECT_EQ(Item(1000)->toolTip(), "Drag here to change the playback pitch");
    pitch->setValue(100);
    for (int id : {1010, 1016, 1011, 1020, 1043, 1022})
        EXPECT_EQ(AccessibleName(Item(id)), converter().tk.wmGetText(window().dialog(), id)) << id;
    EXPECT_EQ(AccessibleName(Item(1043)), "1.50");
}

TEST_F(MainWindowTest, OpensCentredWithTheSearchWindowBesideIt) {
    const QRect screen = window().screen()->availableGeometry();
    EXPECT_LE((window().frameGeometry().center() - screen.center()).manhattanLength(), 4);
    Click(1030);
    QWidget* search = window().searchWindow();
    ASSERT_NE(search, nullptr);
    EXPECT_FALSE(search->frameGeometry().intersects(window().frameGeometry()));
    EXPECT_TRUE(screen.contains(search->frameGeometry()));
}

TEST_F(MainWindowTest, TabWalksTheGroupsFromTopLeftToBottomRight) {
    QApplication::setActiveWindow(&window());
    Item(1014)->setFocus();
    std::vector<int> walked;  // 0: the input table
    for (int i = 0; i < 16; ++i) {
        walked.push_back(tonekit::ui::ControlId(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // Remove and Convert are disabled while the list is empty.
    EXPECT_EQ(walked, (std::vector<int>{1014, 1030, 1016, 1012, 0, 1013, 1008, 1023, 1042, 1000,
                                        1011, 1031, 1015, 1025, 1033, 1026}));
}

TEST_F(MainWindowTest, AClickOnARowEnablesTheRemoveButtonOnly) {
    CopyMedia("two.wav", home_ + "two.wav");
    window().inputs().list()->addItem(QString::fromStdString(home_ + "two.wav"));
    window().inputs().Rebuild(false);
    auto* table = window().inputs().table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(0, 1)).center());
    EXPECT_TRUE(Item(1017)->isEnabled());
    EXPECT_FALSE(window().Action(1017)->isEnabled());
}

TEST_F(MainWindowTest, MenuHoldsEveryCommandWithItsId) {
    const std::pair<int, const char*> commands[] = {
        {1014, "Add Media Files"},
        {40035, "Add Folder"},
        {1013, "Set Output Folder"},
        {40031, "Delete All Input Media"},
        {40003, "Exit"},
        {1010, "Convert All Files"},
        {1017, "Remove Selected from Input List"},
        {40036, "Clear Input List"},
        {500, "192 kBps"},
        {503, "32 kBps"},
        {1800, "1024"},
        {1806, "65536"},
        {1030, "Search For Audio Files"},
        {40033, "Download More Software"},
        {1012, "User Guide"},
        {40007, "About Author"},
        {450, "Enable Bubble Help"},
        {40040, "Add CD Tracks"},
    };
    for (const auto& [id, text] : commands) {
        ASSERT_NE(window().Action(id), nullptr) << id;
        EXPECT_EQ(window().Action(id)->text(), text);
        EXPECT_EQ(tonekit::ui::ControlId(window().Action(id)), id);
    }
    QStringList menus;
    for (QAction* menu : window().menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Options", "&Help"}));
}

TEST_F(MainWindowTest, MenuSettingsMoveTheirMarkAndAreSavedAtExit) {
    Trigger(502);   // 64 kBps
    Trigger(1802);  // 4096 bytes
    Trigger(450);   // bubble help off
    EXPECT_TRUE(window().Action(502)->isChecked());
    EXPECT_FALSE(window().Action(501)->isChecked());
    EXPECT_TRUE(window().Action(1802)->isChecked());
    EXPECT_FALSE(window().Action(1805)->isChecked());
    EXPECT_FALSE(window().Action(450)->isChecked());
    // Saved only when the window goes, and the buffer size reaches the
    // device at the next start.
    EXPECT_EQ(Field(ReadFile(program_ + "settings.dat"), 780), 128);
    EXPECT_EQ(sonavert::PlaybackChunkBytes(), 32768);
    Restart();
    const auto record = ReadFile(program_ + "settings.dat");
    EXPECT_EQ(Field(record, 780), 64);
    EXPECT_EQ(Field(record, 784), 4096);
    EXPECT_EQ(Field(record, 788), 0);
    EXPECT_EQ(sonavert::PlaybackChunkBytes(), 4096);
    EXPECT_TRUE(window().Action(502)->isChecked());
    EXPECT_FALSE(window().Action(450)->isChecked());
}

TEST_F(MainWindowTest, CloseIsRefusedWhileConvertingOrPreviewing) {
    for (bool* flag : {&converter().flags.running, &converter().flags.previewing}) {
        *flag = true;
        window().close();
        EXPECT_TRUE(window().isVisible());
        *flag = false;
    }
    converter().flags.running = true;
    Trigger(40003);  // Exit is ignored during a run
    EXPECT_TRUE(window().isVisible());
    converter().flags.running = false;
    window().close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(converter().flags.shuttingDown);
}

TEST_F(MainWindowTest, AboutBoxDisablesTheWindowUntilClosed) {
    Trigger(40007);
    QWidget* about = TopLevel(147);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About The Author");
    EXPECT_FALSE(window().isEnabled());
    tonekit::ui::FindItem<QAbstractButton>(about, 1)->click();
    QApplication::processEvents();
    EXPECT_TRUE(window().isEnabled());
    EXPECT_EQ(TopLevel(147), nullptr);
}

TEST_F(MainWindowTest, HelpOpensTheBuiltInGuideAndAMissingOpenerIsNamed) {
    Click(1012);
    Trigger(40033);
    ASSERT_EQ(openedUrls_.size(), 2u);
    // Written out beside a portable program, where the scratch file goes.
    EXPECT_EQ(openedUrls_[0].toLocalFile().toStdString(), program_ + "sonavert-help.html");
    const auto guide = ReadFile(program_ + "sonavert-help.html");
    EXPECT_NE(std::string(guide.begin(), guide.end()).find("<title>Sonavert User Guide</title>"),
              std::string::npos);
    EXPECT_EQ(openedUrls_[1].scheme(), "https");

    converter().shell.openUrl = [](const QUrl&) { return false; };
    for (int id : {1012, 1026}) {
        testing_support::ModalAnswers answers;
        std::string text;
        answers.Then(testing_support::PressButton(QMessageBox::Ok, &text));
        Click(id);
        EXPECT_EQ(text.rfind("ERROR|Cannot open /", 0), 0u) << text;
        EXPECT_NE(text.find("xdg-open"), std::string::npos) << text;
    }
}

// Grabs the windows to PNG files for a person to look at:
// SONAVERT_SNAPSHOTS=/some/folder build/bin/sonavert_window_tests --gtest_filter=*Snapshots*
TEST_F(MainWindowTest, Snapshots) {
    const char* env = std::getenv("SONAVERT_SNAPSHOTS");
    const std::string folder = env ? env : "";
    if (folder.empty()) GTEST_SKIP() << "SONAVERT_SNAPSHOTS not set";
    CopyMedia("one.mp3", home_ + "music/Song One.mp3");
    CopyMedia("two.wav", home_ + "music/Second Song.wav");
    window().inputs().AddFolderFiles(home_ + "music/", false);
    CopyMedia("one.mp3", program_ + "Converted.mp3");
    window().RefreshOutputList();
    Trigger(502);
    testing_support::Snapshot(&window(), folder, "main_window");
    for (QAction* entry : window().menuBar()->actions()) {
        QMenu* menu = entry->menu();
        menu->popup(QPoint(0, 0));
        QApplication::processEvents();
        testing_support::Snapshot(menu, folder, "menu_" + entry->text().mid(1).toStdString());
        for (QAction* item : menu->actions())
            if (item->menu()) {
                item->menu()->popup(QPoint(0, 0));
                QApplication::processEvents();
                testing_support::Snapshot(item->menu(), folder,
                                          "submenu_" + item->text().toStdString());
                item->menu()->hide();
            }
        menu->hide();
    }
    Trigger(40007);
    testing_support::Snapshot(TopLevel(147), folder, "about_box");
    TopLevel(147)->close();
    QApplication::processEvents();
    Item<QListWidget>(1008)->setCurrentRow(0);
    Click(1033);
    testing_support::Snapshot(TopLevel(149), folder, "rename_box");
    TopLevel(149)->close();
    QApplication::processEvents();

    converter().settings.searchFolder = home_;
    Click(1030);
    QWidget* search = TopLevel(150);
    tonekit::ui::FindItem<QAbstractButton>(search, 4)->click();
    testing_support::Snapshot(search, folder, "search_window");
    search->close();

    // The main window during a run, grabbed while the second file encodes.
    Item(1010)->setEnabled(true);
    QTimer grab;
    QObject::connect(&grab, &QTimer::timeout, [&] {
        if (Item<QLabel>(1020)->text().startsWith(" Encoding to MP3 ...Song One")) {
            testing_support::Snapshot(&window(), folder, "main_window_converting");
            grab.stop();
        }
    });
    grab.start(0);
    window().Command(1010);
}

}  // namespace
}  // namespace sonavert_testing
