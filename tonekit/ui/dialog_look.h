// The look the programs' dialogs share: the dialog font, the background
// picture and the coloured statics. Header-only, like dialog_items.h.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "ui/dialog_items.h"

namespace tonekit::ui {

// RGB(75, 100, 170): the background of the white-on-blue statics.
inline constexpr uint32_t kStaticBackground = 0xAA644B;

// The dialogs' own font, "MS Sans Serif" 8 pt: 11 pixels at 96 dpi.
inline QFont DialogFont() {
    QFont font("Liberation Sans");
    font.setPixelSize(11);
    return font;
}

// An "arial" font given, as the programs' windows name their fonts, by its
// cell height (ascent plus descent) and its average character width in
// pixels; a width of 0 keeps the face's own proportions.
inline QFont CellFont(int cellHeight, int averageWidth = 0, QFont::Weight weight = QFont::Normal) {
    QFont font("Liberation Sans");
    font.setWeight(weight);
    int pixels = cellHeight;
    font.setPixelSize(pixels);
    while (pixels > 1 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--pixels);
    const int natural = QFontMetrics(font).averageCharWidth();
    if (averageWidth > 0 && natural > 0)
        font.setStretch(std::clamp(averageWidth * 100 / natural, 50, 200));
    return font;
}

// The converter's application font: cell height 15, characters 7 wide.
inline QFont ArialFont() {
    return CellFont(15, 7);
}

// The background picture tiled over the window, when it could be loaded.
inline void SetBackgroundPicture(QWidget* window, const QPixmap* picture) {
    if (!picture) return;
    QPalette palette = window->palette();
    palette.setBrush(QPalette::Window, QBrush(*picture));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

// Paints a control's text in `text` colour on `background` (0x00BBGGRR); a
// disabled control's text is halfway between the two, so it stays readable.
inline void PaintControl(QWidget* widget, uint32_t background, uint32_t text) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    const QColor back = ColourFromBgr(background), fore = ColourFromBgr(text);
    const QColor faded((back.red() + fore.red()) / 2, (back.green() + fore.green()) / 2,
                       (back.blue() + fore.blue()) / 2);
    for (auto role : {QPalette::Base, QPalette::Window}) palette.setColor(role, back);
    for (auto role : {QPalette::Text, QPalette::WindowText}) {
        palette.setColor(role, fore);
        palette.setColor(QPalette::Disabled, role, faded);
    }
    // Buttons (check boxes among them) fill and write with the button roles.
    if (qobject_cast<QAbstractButton*>(widget)) {
        palette.setColor(QPalette::Button, back);
        palette.setColor(QPalette::ButtonText, fore);
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, faded);
    }
    widget->setPalette(palette);
}

// A control whose text changes is announced by what it shows now: the
// accessible name is left to its text, and the name it had describes it.
inline void AnnouncedByText(QWidget* control) {
    if (control->accessibleDescription().isEmpty())
        control->setAccessibleDescription(control->accessibleName());
    control->setAccessibleName(QString());
}

// Puts a top-level window in the middle of the screen it is on.
inline void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

// A static that shows a text too long for it with its middle left out; its
// text stays whole for readers and tests.
class ElidingStatic : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect area = contentsRect();
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

// A static with its text in `textColour` on `background` (0x00BBGGRR).
template <typename Label = QLabel>
Label* MakeStatic(QWidget* parent, const QString& text, uint32_t background,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                  uint32_t textColour = 0xFFFFFF) {
    auto* label = new Label(text, parent);
    label->setAlignment(alignment);
    PaintControl(label, background, textColour);
    return label;  // announced by its text
}

}  // namespace tonekit::ui
