// The look the converter's windows share: the background picture and the
// white-on-blue statics.
#pragma once

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "ui/dialog_items.h"

namespace sonavert {

inline constexpr uint32_t kStaticBackground = 0xAA644B;

// The background picture tiled over the window, when it could be loaded.
inline void SetBackgroundPicture(QWidget* window, const QPixmap* picture) {
    if (!picture) return;
    QPalette palette = window->palette();
    palette.setBrush(QPalette::Window, QBrush(*picture));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

// A static with its text in `text` colour on `background` (0x00BBGGRR).
inline QLabel* MakeStatic(QWidget* parent, const QString& text, uint32_t background,
                          Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter,
                          uint32_t textColour = 0xFFFFFF) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(alignment);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, tonekit::ui::ColourFromBgr(background));
    palette.setColor(QPalette::WindowText, tonekit::ui::ColourFromBgr(textColour));
    label->setPalette(palette);
    label->setAccessibleName(text.trimmed());
    return label;
}

}  // namespace sonavert
