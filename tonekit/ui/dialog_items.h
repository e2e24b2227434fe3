// Dialog items on Qt: each control carries its numeric id as the dynamic
// property "controlId". Dialog units and 0x00BBGGRR colours convert here, so
// the library and the programs place and paint controls the same way.
// Header-only: the programs use it without linking the library's internals.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <cstdint>

namespace tonekit::ui {

inline constexpr char kControlId[] = "controlId";

inline void SetControlId(QObject* object, int32_t id) {
    object->setProperty(kControlId, id);
}

inline int32_t ControlId(const QObject* object) {
    const QVariant id = object->property(kControlId);
    return id.isValid() ? id.toInt() : 0;
}

// The child of `dialog` with the id, or null (also for id 0, which names no item).
template <typename Widget = QWidget>
Widget* FindItem(QWidget* dialog, int32_t id) {
    if (!dialog || id == 0) return nullptr;
    for (auto* child : dialog->findChildren<Widget*>())
        if (ControlId(child) == id) return child;
    return nullptr;
}

// One horizontal dialog unit is 1.5 px, one vertical unit 1.625 px.
inline QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    auto px = [](int units, double scale) { return static_cast<int>(units * scale + 0.5); };
    return QRect(px(x, 1.5), px(y, 1.625), px(width, 1.5), px(height, 1.625));
}

// A control's place in dialog units.
struct Place {
    int x, y, width, height;
};

// Puts `widget` at `p`, gives it its id (none for 0) and its accessible name.
template <typename Widget>
Widget* Placed(Widget* widget, Place p, int32_t id, const QString& accessibleName) {
    widget->setGeometry(DialogUnitsToPixels(p.x, p.y, p.width, p.height));
    if (id) SetControlId(widget, id);
    widget->setAccessibleName(accessibleName);
    return widget;
}

inline QColor ColourFromBgr(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace tonekit::ui
