#include "about_box.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>

#include "dialog_style.h"

namespace sonavert {
namespace {

using tonekit::ui::DialogUnitsToPixels;

constexpr char kAboutText[] =
    "Sonavert 1.0\n\n"
    "Written by the Sonavert developers: audio people who wanted one small "
    "program that turns a pile of WAV, MP3 and WMA files and CD tracks into the "
    "format a player needs, in one run.\n\n"
    "MP3 encoding by LAME, decoding and WMA by FFmpeg, sound by SDL.";

class AboutBox : public MainWindowBox {
  public:
    AboutBox(Converter& c, QWidget* mainWindow) : MainWindowBox(mainWindow) {
        setWindowTitle("About The Author");
        tonekit::ui::SetControlId(this, 147);
        setFixedSize(DialogUnitsToPixels(0, 0, 300, 140).size());
        setFont(c.font);
        SetBackgroundPicture(this, c.background);

        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap(":/sonavert/151.png"));
        picture->setGeometry(DialogUnitsToPixels(8, 8, 86, 79));
        picture->setAlignment(Qt::AlignCenter);
        picture->setAccessibleName("Sonavert emblem");

        auto* text = MakeStatic(this, kAboutText, kStaticBackground, Qt::AlignLeft | Qt::AlignTop);
        text->setGeometry(DialogUnitsToPixels(100, 8, 192, 100));
        text->setWordWrap(true);
        text->setMargin(6);
        text->setAccessibleName("About Sonavert");

        auto* close = new QPushButton("Close", this);
        close->setGeometry(DialogUnitsToPixels(242, 116, 50, 15));
        close->setAccessibleName("Close");
        tonekit::ui::SetControlId(close, 1);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
    }

  private:
};

}  // namespace

void OpenAboutBox(Converter& converter, QWidget* mainWindow) {
    auto* box = new AboutBox(converter, mainWindow);
    box->show();
}

}  // namespace sonavert
