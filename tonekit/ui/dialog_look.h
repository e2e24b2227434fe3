// The look the programs' dialogs share: the dialog font, the background
// picture and the coloured statics. Header-only, like dialog_items.h.
#pragma once

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

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

// The "arial" 13-pixel font the programs set on chosen controls.
inline QFont ArialFont() {
    QFont font("Liberation Sans");
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    return font;
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
    widget->setPalette(palette);
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
    label->setAccessibleName(text.trimmed());
    return label;
}

}  // namespace tonekit::ui
