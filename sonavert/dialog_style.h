// The converter's media tables and boxes, on the look the programs share.
#pragma once

#include <QDialog>
#include <QHeaderView>
#include <QPointer>
#include <QTableWidget>
#include <QWidget>

#include <string>

#include "tonekit_binding.h"
#include "ui/dialog_look.h"

namespace sonavert {

using tonekit::ui::kStaticBackground;
using tonekit::ui::MakeStatic;
using tonekit::ui::SetBackgroundPicture;

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
    table->setTabKeyNavigation(false);  // Tab moves on to the next control
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

// The folder chooser titled `title`, opening in `start` when that folder
// exists, else in the home folder. The chosen folder ends in '/'; null when
// cancelled.
inline const char* BrowseForFolderFrom(const Tonekit& tk, const char* title,
                                       const std::string& start) {
    char shown[260] = {};
    start.copy(shown, sizeof shown - 1);
    return tk.BrowseForFolder(title, shown);
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
