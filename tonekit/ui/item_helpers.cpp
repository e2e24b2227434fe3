// Helpers on dialog items: texts, list and combo boxes, enabling, fonts, tips.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include <array>
#include <cstring>

#include "tonekit.h"
#include "ui/dialog_items.h"

namespace tonekit::ui {
namespace {

constexpr size_t kItemTextBytes = 260;
char g_itemText[kItemTextBytes];

QString ItemText(QWidget* item) {
    if (auto* label = qobject_cast<QLabel*>(item)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(item)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(item)) return button->text();
    if (auto* combo = qobject_cast<QComboBox*>(item)) return combo->currentText();
    if (auto* group = qobject_cast<QGroupBox*>(item)) return group->title();
    if (auto* text = qobject_cast<QPlainTextEdit*>(item)) return text->toPlainText();
    return item ? item->windowTitle() : QString();
}

// Cuts UTF-8 text at `limit` bytes without splitting a character.
size_t WholeCharacters(const QByteArray& text, size_t limit) {
    size_t bytes = std::min(static_cast<size_t>(text.size()), limit);
    while (bytes > 0 && bytes < static_cast<size_t>(text.size()) &&
           (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

template <size_t N>
void ForEachItem(QWidget* dialog, const std::array<int32_t, N>& ids, auto&& action) {
    for (int32_t id : ids)
        if (auto* item = FindItem(dialog, id)) action(item);
}

}  // namespace
}  // namespace tonekit::ui

using namespace tonekit::ui;

extern "C" char* wmGetText(TkWindow dialog, int32_t itemId) {
    auto* parent = static_cast<QWidget*>(dialog);
    auto* item = itemId == 0 ? parent : FindItem(parent, itemId);
    const QByteArray text = ItemText(item).toUtf8();
    const size_t bytes = WholeCharacters(text, kItemTextBytes - 1);
    std::memcpy(g_itemText, text.constData(), bytes);
    g_itemText[bytes] = '\0';
    return g_itemText;
}

extern "C" int32_t LBDeleteSelected(TkWindow dialog, int32_t listBoxId) {
    auto* list = FindItem<QListWidget>(static_cast<QWidget*>(dialog), listBoxId);
    if (!list) return 0;
    for (int i = list->count() - 1; i >= 0; --i)
        if (list->item(i)->isSelected()) delete list->takeItem(i);
    return 0;
}

extern "C" int32_t AddComboStrings(TkWindow dialog, int32_t comboId, const char* items,
                                   int32_t adjust, int32_t dropHeight, int32_t selection) {
    auto* combo = FindItem<QComboBox>(static_cast<QWidget*>(dialog), comboId);
    if (!combo) return -1;
    for (const char* item = items; item && *item; item += std::strlen(item) + 1)
        combo->addItem(QString::fromUtf8(item));
    if (!adjust) return 0;
    const int rowHeight = std::max(1, combo->fontMetrics().height() + 2);
    combo->setMaxVisibleItems(std::max(1, dropHeight / rowHeight));
    if (selection < 0 || selection >= combo->count()) return -1;
    combo->setCurrentIndex(selection);
    return selection;
}

extern "C" void EnableWindows10(TkWindow dialog, int32_t enable, int32_t id1, int32_t id2,
                                int32_t id3, int32_t id4, int32_t id5, int32_t id6, int32_t id7,
                                int32_t id8, int32_t id9, int32_t id10) {
    const std::array ids{id1, id2, id3, id4, id5, id6, id7, id8, id9, id10};
    ForEachItem(static_cast<QWidget*>(dialog), ids,
                [&](QWidget* item) { item->setEnabled(enable != 0); });
}

extern "C" void SetFonts10(TkWindow dialog, int32_t id1, int32_t id2, int32_t id3, int32_t id4,
                           int32_t id5, int32_t id6, int32_t id7, int32_t id8, int32_t id9,
                           int32_t id10, TkFont font) {
    if (!font) return;
    const std::array ids{id1, id2, id3, id4, id5, id6, id7, id8, id9, id10};
    ForEachItem(static_cast<QWidget*>(dialog), ids, [&](QWidget* item) {
        item->setFont(*static_cast<QFont*>(font));
        item->update();
    });
}

extern "C" void AddToolTip(TkWindow dialog, TkToolTip toolTip, int32_t itemId, const char* text) {
    auto* item = FindItem(static_cast<QWidget*>(dialog), itemId);
    if (!item) return;
    const QString tip = QString::fromUtf8(text ? text : "");
    item->setToolTip(tip);
    item->setAccessibleDescription(tip);
    if (toolTip) item->installEventFilter(static_cast<QObject*>(toolTip));
}
