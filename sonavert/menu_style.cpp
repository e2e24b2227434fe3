#include "menu_style.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

#include "ui/dialog_items.h"

namespace sonavert {
namespace {

using tonekit::ui::ColourFromBgr;

constexpr uint32_t kTint = 0xFFD2D2;
constexpr uint32_t kSelectedFrame = 0xD28080;
constexpr int kTextLeft = 20;

void DrawMark(QPainter* p, const QRect& item) {
    const QRect mark(QPoint(item.left() + 7, item.top() + 6),
                     QPoint(item.left() + 13, item.bottom() - 5));
    p->setPen(Qt::black);
    p->setBrush(QColor(0x00, 0xFF, 0x00));
    p->drawRect(mark);
}

void DrawSubmenuArrow(QPainter* p, const QRect& item) {
    const int x = item.right() - 9, y = item.center().y();
    p->setPen(Qt::NoPen);
    p->setBrush(Qt::black);
    p->drawPolygon(QPolygon{{x, y - 4}, {x + 4, y}, {x, y + 4}});
}

}  // namespace

MenuStyle::MenuStyle(const QFont& font) : font_(font) {}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    const QRect r = item->rect;
    painter->fillRect(r, Qt::white);
    painter->fillRect(QRect(r.left(), r.top(), 5, r.height()), ColourFromBgr(kTint));
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->setPen(QColor(0xC0, 0xC0, 0xC0));
        painter->drawLine(r.left() + kTextLeft, r.center().y(), r.right() - 4, r.center().y());
        painter->restore();
        return;
    }
    const bool selected = item->state & State_Selected && item->state & State_Enabled;
    const QRect body(QPoint(r.left() + 15, r.top()), r.bottomRight());
    if (selected) {
        painter->setPen(ColourFromBgr(kSelectedFrame));
        painter->setBrush(ColourFromBgr(kTint));
        painter->drawRect(body.adjusted(0, 0, -1, -1));
    }
    if (item->checked) DrawMark(painter, r);
    painter->setFont(font_);
    painter->setPen(item->state & State_Enabled ? Qt::black : QColor(0x80, 0x80, 0x80));
    const QString text = item->text.section('\t', 0, 0);
    painter->drawText(r.adjusted(kTextLeft, 0, -16, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) DrawSubmenuArrow(painter, r);
    painter->restore();
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const QFontMetrics metrics(font_);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) return QSize(10, 7);
    // Room for the strip and mark, the text, and the submenu arrow.
    const int width = kTextLeft + metrics.horizontalAdvance(item->text) + 15 + 16;
    return QSize(width, metrics.height() + 5);
}

int MenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
    if (metric == PM_MenuHMargin || metric == PM_MenuVMargin) return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

}  // namespace sonavert
