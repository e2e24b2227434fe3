// The main window as a user meets it: controls, menu, settings, closing.
#include "converter_fixture.h"
#include "playback.h"
#include "search_window.h"

namespace sonavert_testing {
namespace {

using MainWindowTest = ConverterWindow;

TEST_F(MainWindowTest, OpensCentredWithEveryControlNamedAndRemoveEnabledByAClick) {
    EXPECT_TRUE(Centred(&window()));
    EXPECT_FALSE(Item(1017)->isEnabled() || Item(1010)->isEnabled());
    EXPECT_FALSE(window().Action(1017)->isEnabled());
    EXPECT_EQ(Item<QLabel>(1022)->text().toStdString(), program_ + "*.mp3");
    // Every visible control can be found by a screen reader, and the 15 tips
    // are their descriptions.
    int described = 0;
    for (QWidget* child : window().dialog()->findChildren<QWidget*>()) {
        if (child->parentWidget() != window().dialog() || !child->isVisible()) continue;
        EXPECT_FALSE(AccessibleName(child).empty() && child->accessibleDescription().isEmpty())
            << child->metaObject()->className();
        if (child->toolTip().isEmpty()) continue;
        ++described;
        EXPECT_EQ(child->accessibleDescription(), child->toolTip());
    }
    EXPECT_EQ(described, 15);
    for (int id : {1010, 1016, 1011, 1020, 1043, 1022})
        EXPECT_EQ(AccessibleName(Item(id)), converter().tk.wmGetText(window().dialog(), id)) << id;
    // A click on a row enables the Remove button, not its menu entry.
    CopyMedia("two.wav", home_ + "two.wav");
    window().inputs().list()->addItem(QString::fromStdString(home_ + "two.wav"));
    window().inputs().Rebuild(false);
    auto* table = window().inputs().table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(0, 1)).center());
    EXPECT_TRUE(Item(1017)->isEnabled());
    EXPECT_FALSE(window().Action(1017)->isEnabled());
}

TEST_F(MainWindowTest, MenuSettingsMoveTheirMarkAndAreSavedAtExit) {
    Trigger(502);   // 64 kBps
    Trigger(1806);  // 65536 bytes, the last entry
    Trigger(450);   // bubble help off
    EXPECT_FALSE(window().Action(501)->isChecked() || window().Action(1805)->isChecked());
    // Saved only when the window goes, and the buffer size reaches the
    // device at the next start.
    EXPECT_EQ(Le32At(ReadFile(program_ + "settings.dat"), 780), 128u);
    EXPECT_EQ(sonavert::PlaybackChunkBytes(), 32768);
    Restart();
    EXPECT_EQ(sonavert::PlaybackChunkBytes(), 65536);
    EXPECT_TRUE(window().Action(502)->isChecked() && window().Action(1806)->isChecked());
    EXPECT_FALSE(window().Action(450)->isChecked());
}

TEST_F(MainWindowTest, CloseIsRefusedWhileConvertingOrPreviewing) {
    for (bool* flag : {&converter().flags.running, &converter().flags.previewing}) {
        *flag = true;
        window().close();
        if (flag == &converter().flags.running) Trigger(40003);  // Exit waits for the run too
        EXPECT_TRUE(window().isVisible());
        *flag = false;
    }
    window().close();
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(converter().flags.shuttingDown);
}

TEST_F(MainWindowTest, HelpOpensTheBuiltInGuideAndAMissingOpenerIsNamed) {
    Click(1012);
    ASSERT_EQ(openedUrls_.size(), 1u);
    // Written out beside a portable program, where the scratch file goes.
    EXPECT_EQ(openedUrls_[0].toLocalFile().toStdString(), program_ + "sonavert-help.html");
    const auto guide = ReadFile(program_ + "sonavert-help.html");
    EXPECT_NE(std::string(guide.begin(), guide.end()).find("<title>Sonavert User Guide</title>"),
              std::string::npos);

    converter().shell.openUrl = [](const QUrl&) { return false; };
    for (int id : {1012, 1026}) {
        const std::string text = OkBoxText([&] { Click(id); });
        EXPECT_EQ(text.rfind("ERROR|Cannot open /", 0), 0u) << text;
        EXPECT_NE(text.find("xdg-open"), std::string::npos) << text;
    }
}

// Grabs the windows to PNG files for a person to look at:
// SONAVERT_SNAPSHOTS=/some/folder build/bin/sonavert_window_tests --gtest_filter=*Snapshots*
TEST_F(MainWindowTest, Snapshots) {
    const std::string folder = qEnvironmentVariable("SONAVERT_SNAPSHOTS").toStdString();
    if (folder.empty()) GTEST_SKIP() << "SONAVERT_SNAPSHOTS not set";
    CopyMedia("one.mp3", home_ + "music/Song One.mp3");
    CopyMedia("two.wav", home_ + "music/Second Song.wav");
    window().inputs().AddFolderFiles(home_ + "music/", false);
    CopyMedia("one.mp3", program_ + "Converted.mp3");
    window().RefreshOutputList();
    Trigger(502);
    Snapshot(&window(), folder, "main_window");
    for (auto [command, box, name] :
         {std::tuple{40007, 147, "about_box"}, {1033, 149, "rename_box"}}) {
        Item<QListWidget>(1008)->setCurrentRow(0);
        window().Command(command);
        Snapshot(TopLevel(box), folder, name);
        TopLevel(box)->close();
        QApplication::processEvents();
    }
    converter().settings.searchFolder = home_;
    Click(1030);
    tonekit::ui::FindItem<QAbstractButton>(TopLevel(150), 4)->click();
    Snapshot(TopLevel(150), folder, "search_window");
    TopLevel(150)->close();

    // The main window during a run, grabbed while the second file encodes.
    Item(1010)->setEnabled(true);
    QTimer grab;
    QObject::connect(&grab, &QTimer::timeout, [&] {
        if (!Status().starts_with(" Encoding to MP3 ...Song One")) return;
        Snapshot(&window(), folder, "main_window_converting");
        grab.stop();
    });
    grab.start(0);
    window().Command(1010);
}

}  // namespace
}  // namespace sonavert_testing
