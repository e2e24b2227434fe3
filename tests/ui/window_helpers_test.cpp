// The window helpers on real widgets, their choosers answered through Qt's
// own file dialog.
#include <cstring>

#include "qt_test_support.h"
#include "tonekit.h"

namespace {

using namespace testing_support;
using tonekit::ui::SetControlId;
using Texts = std::vector<std::string>;

template <typename Widget>
Widget* AddItem(QWidget* dialog, int id) {
    auto* item = new Widget(dialog);
    SetControlId(item, id);
    return item;
}

Texts g_delivered;
int32_t Collect(const char* path) {
    g_delivered.emplace_back(path);
    return 0;
}

class FileChooser : public ::testing::Test {
  protected:
    void SetUp() override {
        g_delivered.clear();
        for (const char* name : {"a.wav", "b.mp3", "c.wma"}) WriteFile(dir_ / name, {1});
        list_ = AddItem<QListWidget>(&dialog_, 1006);
    }
    // What the chooser returned, split at its NULs; "null" for no answer.
    Texts Choose(int multi, const Texts& names) {
        ModalAnswers answers;
        answers.Then(names.empty() ? Cancel() : ChooseFiles(dir_.path(), names));
        const char* result =
            GetOpenFilenames(&dialog_, multi, "Add Audio Files", dir_.path().c_str(),
                             "Audio\0*.wav;*.mp3;*.wma\0", 1006, Collect);
        if (!result) return {"null"};
        if (names.size() == 1) return {result};
        Texts texts;  // a folder and names, ending in an empty one
        for (const char* t = result; *t; t += std::strlen(t) + 1) texts.emplace_back(t);
        return texts;
    }
    TempDir dir_;
    QWidget dialog_;
    QListWidget* list_;
};

TEST_F(FileChooser, OneFileComesAsItsPathSeveralAsFolderAndNames) {
    EXPECT_EQ(Choose(0, {"b.mp3"}), Texts{dir_ / "b.mp3"});
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(Choose(1, {"a.wav"}), Texts{" "});
    EXPECT_EQ(g_delivered, Texts{dir_ / "a.wav"});
    EXPECT_EQ(Choose(1, {}), Texts{"null"});
    EXPECT_EQ(g_delivered.size(), 1u);
    g_delivered.clear();
    EXPECT_EQ(Choose(1, {"a.wav", "b.mp3", "c.wma"}),
              (Texts{dir_.path(), "a.wav", "b.mp3", "c.wma"}));
    EXPECT_EQ(g_delivered, (Texts{dir_ / "a.wav", dir_ / "b.mp3", dir_ / "c.wma"}));
    // The list gets each path once, however often it is chosen.
    Choose(1, {"a.wav", "b.mp3", "c.wma"});
    EXPECT_EQ(list_->count(), 3);
}

TEST(FolderChooser, ReturnsTheFolderWithItsSlashAndRefusesASecondChooser) {
    TempDir dir;
    fs::create_directory(dir / "Music");
    char name[260] = {};
    const char* nested = "unset";
    std::string opened;
    {
        ModalAnswers answers;
        answers.Then([&](QWidget* chooser) {
            nested = BrowseForFolder("again", nullptr);
            ChooseFolder(dir / "Music")(chooser);
        });
        EXPECT_EQ(std::string(BrowseForFolder("CHOOSE", name)), dir / "Music/");
    }
    EXPECT_EQ(nested, nullptr);
    EXPECT_STREQ(name, "Music");
    ModalAnswers answers;
    answers.Then(NoteFolder(&opened, ChooseFolder("/")));
    EXPECT_STREQ(BrowseForFolder("CHOOSE", nullptr), "/");
    EXPECT_EQ(opened, (QDir::homePath() + "/").toStdString());  // not the working folder
}

TEST(ItemHelpers, ListComboAndText) {
    QWidget dialog;
    auto* list = AddItem<QListWidget>(&dialog, 1008);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int i = 0; i < 7; ++i) list->addItem(QString::number(i));
    for (int i : {0, 2, 5}) list->item(i)->setSelected(true);
    EXPECT_EQ(LBDeleteSelected(&dialog, 1008), 0);
    QStringList left;
    for (int i = 0; i < list->count(); ++i) left << list->item(i)->text();
    EXPECT_EQ(left, QStringList({"1", "3", "4", "6"}));

    auto* combo = AddItem<QComboBox>(&dialog, 1023);
    constexpr char kWidths[] = {'8', 0, '1', '6', 0, 0};  // "8", "16" and the list's end
    EXPECT_EQ(AddComboStrings(&dialog, 1023, kWidths, 1, 100, 1), 1);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), "16");
    EXPECT_EQ(AddComboStrings(&dialog, 1023, "\0", 1, 100, 5), -1);

    auto* label = AddItem<QLabel>(&dialog, 1020);
    label->setText(QString(300, 'x'));
    EXPECT_EQ(std::strlen(wmGetText(&dialog, 1020)), 259u);
    label->setText(QString(129, 'x') + QString::fromUtf8("\xC3\xA9"));  // 'e' acute at 129
    EXPECT_EQ(std::strlen(wmGetText(&dialog, 1020)), 131u);
    AddItem<QLineEdit>(&dialog, 1037)->setText("new name");
    EXPECT_STREQ(wmGetText(&dialog, 1037), "new name");
}

TEST(Drawing, ModesCombineAsRasterOperations) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(qRgb(0x12, 0x34, 0x56));
    const QImage before = image;
    QPainter painter(&image);
    DrawSolidRectangle(&painter, 2, 2, 12, 12, 2, 0, 0x0000FF, 0x00FF00, 3);
    EXPECT_NE(image, before);
    DrawSolidRectangle(&painter, 2, 2, 12, 12, 2, 0, 0x0000FF, 0x00FF00, 3);
    EXPECT_EQ(image, before);  // xor twice restores

    DrawSolidRectangle(&painter, 2, 2, 12, 12, 1, 0, 0x0000FF, 0x00FF00, 0);
    painter.end();
    EXPECT_EQ(image.pixel(2, 2), qRgb(0xFF, 0, 0));    // the pen, 0x00BBGGRR red
    EXPECT_EQ(image.pixel(6, 6), qRgb(0, 0xFF, 0));    // the fill
    EXPECT_EQ(image.pixel(11, 11), qRgb(0xFF, 0, 0));  // right and bottom are excluded
    EXPECT_EQ(image.pixel(12, 12), qRgb(0x12, 0x34, 0x56));
}

TEST(Pictures, ButtonPicturesAndTheBackgroundComeFromTheProgramsResources) {
    QWidget dialog;
    auto* button = AddItem<QToolButton>(&dialog, 1014);
    std::unique_ptr<QIcon> images(static_cast<QIcon*>(
        BitmapButtonXP(":/sonavert", &dialog, 129, 1014, 32, 32, 32, 10, 2, 0xFFFFFF, nullptr)));
    ASSERT_TRUE(images);
    EXPECT_FALSE(button->icon().isNull());
    const QImage picture = images->pixmap(32, 32).toImage();
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);  // the white mask colour is transparent
    EXPECT_EQ(qAlpha(picture.pixel(16, 16)), 255);

    std::unique_ptr<QPixmap> background(
        static_cast<QPixmap*>(LoadResourceJpeg(":/sonavert", nullptr, 139)));
    ASSERT_TRUE(background);
    EXPECT_EQ(background->size(), QSize(256, 256));  // stored at 96 dpi, shown at 96 dpi
    EXPECT_EQ(LoadResourceJpeg(":/sonavert", nullptr, 999), nullptr);
}

TEST(DesktopShortcut, WrittenOnlyIntoAnExistingDesktopFolder) {
    TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    const std::string launcher = home / "Desktop/Sonavert.desktop";
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/my apps/sonavert"), 0);
    EXPECT_FALSE(fs::exists(launcher));

    fs::create_directory(home / "Desktop");
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/my 100% apps/$x/sonavert"), 0);
    const Bytes bytes = ReadFile(launcher);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("Exec=\"/opt/my 100%% apps/\\\\$x/sonavert\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Name=Sonavert\n"), std::string::npos);

    fs::remove(launcher);
    fs::create_directory(launcher);  // a name that cannot be written
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/sonavert"), -1);
}

}  // namespace
