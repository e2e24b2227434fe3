// The window helpers on real widgets, their choosers answered through Qt's
// own file dialog.
#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "qt_test_support.h"
#include "test_support.h"
#include "tonekit.h"
#include "ui/dialog_items.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ModalAnswers;
using tonekit::ui::SetControlId;

template <typename Widget>
Widget* AddItem(QWidget* dialog, int id) {
    auto* item = new Widget(dialog);
    SetControlId(item, id);
    return item;
}

std::vector<std::string> g_delivered;
int32_t Collect(const char* path) {
    g_delivered.emplace_back(path);
    return 0;
}

class FileChooser : public ::testing::Test {
  protected:
    void SetUp() override {
        g_delivered.clear();
        for (const char* name : {"a.wav", "b.mp3", "c.wma"})
            testing_support::WriteFile(dir_ / name, {1});
        list_ = AddItem<QListWidget>(&dialog_, 1006);
    }
    const char* Choose(int multi, const std::vector<std::string>& names) {
        ModalAnswers answers;
        answers.Then(testing_support::ChooseFiles(dir_.path(), names));
        return GetOpenFilenames(&dialog_, multi, "Add Audio Files", dir_.path().c_str(),
                                "Audio\0*.wav;*.mp3;*.wma\0", 1006, Collect);
    }
    testing_support::TempDir dir_;
    QWidget dialog_;
    QListWidget* list_;
};

TEST_F(FileChooser, SingleSelectionReturnsThePathAlone) {
    EXPECT_STREQ(Choose(0, {"b.mp3"}), (dir_ / "b.mp3").c_str());
    EXPECT_TRUE(g_delivered.empty());
    EXPECT_EQ(list_->count(), 0);
}

TEST_F(FileChooser, OneFileOfAMultipleSelectionIsDeliveredOnce) {
    EXPECT_STREQ(Choose(1, {"a.wav"}), " ");
    EXPECT_EQ(g_delivered, std::vector<std::string>{dir_ / "a.wav"});
}

TEST_F(FileChooser, SeveralFilesComeAsFolderAndNames) {
    const char* result = Choose(1, {"a.wav", "b.mp3", "c.wma"});
    ASSERT_NE(result, nullptr);
    std::vector<std::string> texts;
    for (const char* t = result; *t; t += std::strlen(t) + 1) texts.emplace_back(t);
    EXPECT_EQ(texts, (std::vector<std::string>{dir_.path(), "a.wav", "b.mp3", "c.wma"}));
    EXPECT_EQ(g_delivered,
              (std::vector<std::string>{dir_ / "a.wav", dir_ / "b.mp3", dir_ / "c.wma"}));
    // The list gets each path once, however often it is chosen.
    Choose(1, {"a.wav", "b.mp3", "c.wma"});
    EXPECT_EQ(list_->count(), 3);
}

TEST_F(FileChooser, CancelGivesNull) {
    ModalAnswers answers;
    answers.Then(testing_support::Cancel());
    EXPECT_EQ(GetOpenFilenames(&dialog_, 1, "t", dir_.path().c_str(), "", 0, Collect), nullptr);
    EXPECT_TRUE(g_delivered.empty());
}

TEST(FolderChooser, ReturnsTheFolderWithItsSlashAndRefusesASecondChooser) {
    testing_support::TempDir dir;
    fs::create_directory(dir / "Music");
    char name[260] = {};
    const char* nested = "unset";
    QString opened;
    {
        ModalAnswers answers;
        answers.Then([&](QWidget* chooser) {
            nested = BrowseForFolder("again", nullptr);
            testing_support::ChooseFolder(dir / "Music")(chooser);
        });
        EXPECT_EQ(std::string(BrowseForFolder("CHOOSE", name)), dir / "Music/");
    }
    EXPECT_EQ(nested, nullptr);
    EXPECT_STREQ(name, "Music");
    ModalAnswers answers;
    answers.Then([&](QWidget* chooser) {
        opened = static_cast<QFileDialog*>(chooser)->directory().absolutePath();
        testing_support::ChooseFolder("/")(chooser);
    });
    EXPECT_STREQ(BrowseForFolder("CHOOSE", nullptr), "/");
    EXPECT_EQ(opened, QDir::homePath());  // not the working folder
}

TEST(ItemHelpers, ListComboTextAndEnabling) {
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
    EXPECT_EQ(AddComboStrings(&dialog, 1023,
                              "8\0"
                              "16\0",
                              1, 100, 1),
              1);
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

    auto* remove = AddItem<QPushButton>(&dialog, 1017);
    auto* convert = AddItem<QPushButton>(&dialog, 1010);
    EnableWindows10(&dialog, 0, 1017, 1010, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(convert->isEnabled());
    EXPECT_TRUE(list->isEnabled() && combo->isEnabled() && label->isEnabled());

    QFont font("Liberation Sans");
    font.setPixelSize(15);
    SetFonts10(&dialog, 1017, 1037, 0, 0, 0, 0, 0, 0, 0, 0, &font);
    EXPECT_EQ(remove->font().pixelSize(), 15);
    EXPECT_NE(convert->font().pixelSize(), 15);
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
    button->setText("Add");
    auto* images = static_cast<QIcon*>(
        BitmapButtonXP(":/sonavert", &dialog, 129, 1014, 32, 32, 32, 10, 2, 0xFFFFFF, nullptr));
    ASSERT_NE(images, nullptr);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    const QImage picture = images->pixmap(32, 32).toImage();
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);  // the white mask colour is transparent
    EXPECT_EQ(qAlpha(picture.pixel(16, 16)), 255);
    delete images;

    auto* background = static_cast<QPixmap*>(LoadResourceJpeg(":/sonavert", nullptr, 139));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->size(), QSize(256, 256));  // stored at 96 dpi, shown at 96 dpi
    delete background;
    EXPECT_EQ(LoadResourceJpeg(":/sonavert", nullptr, 999), nullptr);
}

TEST(DesktopShortcut, WrittenOnlyIntoAnExistingDesktopFolder) {
    testing_support::TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    const std::string launcher = home / "Desktop/Sonavert.desktop";
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/my apps/sonavert"), 0);
    EXPECT_FALSE(fs::exists(launcher));

    fs::create_directory(home / "Desktop");
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/my apps/sonavert"), 0);
    std::ifstream in(launcher);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Exec=\"/opt/my apps/sonavert\"\n"), std::string::npos);
    EXPECT_NE(text.str().find("Name=Sonavert\n"), std::string::npos);

    fs::remove(launcher);
    fs::create_directory(launcher);  // a name that cannot be written
    EXPECT_EQ(CreateDesktopShortcut(nullptr, "Sonavert", "/opt/sonavert"), -1);
}

}  // namespace
