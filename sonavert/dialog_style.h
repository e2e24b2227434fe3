// The look the converter's windows share: the background picture and the
// white-on-blue statics.
#pragma once

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QTableWidget>
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

// A column of the media tables (the input table, the search results).
struct TableColumn {
    const char* heading;
    int width;
};

// A media table: whole rows selected, read-only, black on 0xFFFFF0, in `font`.
template <size_t N>
void SetUpMediaTable(QTableWidget* table, const QFont& font, const TableColumn (&columns)[N]) {
    table->setColumnCount(static_cast<int>(N));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    table->setFont(font);
    table->setStyleSheet("QTableWidget { color: black; background: #F0FFFF; }");
    for (size_t i = 0; i < N; ++i) {
        table->setHorizontalHeaderItem(static_cast<int>(i),
                                       new QTableWidgetItem(columns[i].heading));
        table->setColumnWidth(static_cast<int>(i), columns[i].width);
    }
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// A box that disables the main window while it is open. Close, Cancel,
// Escape and the close box all end in done(): the main window is enabled
// again and the box goes.
class MainWindowBox : public QDialog {
  public:
    explicit MainWindowBox(QWidget* mainWindow) : mainWindow_(mainWindow) {
        mainWindow->setEnabled(false);
    }

  protected:
    void done(int result) override {
        QDialog::done(result);
        if (mainWindow_) mainWindow_->setEnabled(true);
        deleteLater();
    }

  private:
    QPointer<QWidget> mainWindow_;
};

}  // namespace sonavert
