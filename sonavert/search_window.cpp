#include "search_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTableWidget>

#include "dialog_style.h"
#include "input_list.h"
#include "message_pump.h"

namespace sonavert {
namespace {

using tonekit::ui::DialogUnitsToPixels;
using tonekit::ui::FindItem;
using tonekit::ui::SetControlId;

SearchWindow* g_searching = nullptr;

constexpr TableColumn kColumns[] = {
    {"#", 40}, {"Title", 180}, {"Type", 50}, {"Length", 60}, {"Path", 500}};
constexpr std::pair<int, const char*> kTypes[] = {{1045, "WAV"}, {1046, "MP3"}, {1047, "WMA"}};
constexpr int kControlsIdleOnly[] = {5, 2, 1, 1050, 1045, 1046, 1047};

template <typename Widget>
Widget* Put(Widget* widget, int x, int y, int width, int height, int id, const QString& name) {
    widget->setGeometry(DialogUnitsToPixels(x, y, width, height));
    if (id) SetControlId(widget, id);
    widget->setAccessibleName(name);
    return widget;
}

}  // namespace

int32_t SearchResultCallback(const char* path, const char* folder, const char* name,
                             int32_t matches) {
    SearchWindow* w = g_searching;
    if (!w || w->stopRequested_) return 1;
    PumpMessages();
    if (matches) {
        if (!ProbeDurationText(w->c_.tk, path).empty()) w->results_->addItem(path);
        w->SetStatus(std::string(" Found : ") + name);
        ++w->found_;
        return 0;
    }
    std::string shown = folder;
    if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    if (shown == w->lastFolder_) return 0;
    const Tonekit& tk = w->c_.tk;
    w->SetStatus(std::string(" Searching Folder : ") +
                 tk.strslash(tk.mids(shown.c_str(), 0, 30, 0)) + " ... /" +
                 tk.strrslash(tk.rights(shown.c_str(), 20)));
    w->lastFolder_ = shown;
    return 0;
}

SearchWindow::SearchWindow(Converter& converter, InputList& inputs, QWidget* mainWindow,
                           PlayFile play)
    : QDialog(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      c_(converter),
      inputs_(inputs),
      mainWindow_(mainWindow),
      play_(std::move(play)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(" Search For Media");
    SetControlId(this, 150);
    setFixedSize(DialogUnitsToPixels(0, 0, 322, 232).size());
    SetBackgroundPicture(this, c_.background);
    BuildControls();
}

void SearchWindow::BuildControls() {
    Put(MakeStatic(this, "Search Path :", kStaticBackground), 7, 7, 48, 11, 0, "Search Path :");
    auto* folder = Put(MakeStatic(this, QString::fromStdString(c_.settings.searchFolder), 0xFFFFFF,
                                  Qt::AlignLeft | Qt::AlignVCenter, 0x000000),
                       58, 6, 198, 13, 1048, "Search folder");
    folder->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* change = Put(new QPushButton("Change", this), 262, 5, 53, 15, 1050, "Change");
    connect(change, &QPushButton::clicked, this, [this] { Change(); });

    Put(new QGroupBox("Files Found", this), 7, 26, 308, 156, 1049, "Files Found");
    results_ = Put(new QListWidget(this), 0, 0, 10, 10, 1052, "Search results paths");
    results_->hide();
    view_ = new QTableWidget(0, 5, this);
    view_->setGeometry(17, 65, 447, 223);
    view_->setAccessibleName("Search results");
    SetUpMediaTable(view_, c_.font, kColumns);
    view_->viewport()->installEventFilter(this);
    connect(view_, &QTableWidget::cellDoubleClicked, this, [this] { Add(); });

    Put(new QGroupBox("Search For These Files", this), 7, 184, 140, 30, 0,
        "Search For These Files");
    int x = 14;
    for (const auto& [id, text] : kTypes) {
        auto* box = Put(new QCheckBox(text, this), x, 197, 38, 11, id, text);
        box->setLayoutDirection(Qt::RightToLeft);  // the text on the left
        box->setChecked(true);
        x += 43;
    }
    const std::tuple<int, const char*, int> buttons[] = {
        {4, "Search", 153}, {5, "Select All", 193}, {1, "ADD", 237}, {2, "Close", 277}};
    for (const auto& [id, text, left] : buttons)
        Put(new QPushButton(text, this), left, 192, id == 5 ? 41 : 38, 15, id, text);
    FindItem<QPushButton>(this, 2)->setDefault(true);
    connect(FindItem<QPushButton>(this, 4), &QPushButton::clicked, this, [this] { Search(); });
    connect(FindItem<QPushButton>(this, 5), &QPushButton::clicked, this, [this] {
        view_->selectAll();
        view_->setFocus();
    });
    connect(FindItem<QPushButton>(this, 1), &QPushButton::clicked, this, [this] { Add(); });
    connect(FindItem<QPushButton>(this, 2), &QPushButton::clicked, this, [this] {
        mainWindow_->raise();
        close();
    });
    auto* status = Put(MakeStatic(this, " Idle", 0x000000), 0, 220, 322, 12, 1020, "Status");
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    for (int id : {1048, 1049, 1020, 4}) tonekit::ui::AnnouncedByText(FindItem(this, id));
}

// Beside the main window, so the input list that ADD fills stays in view;
// where the screen has no room for that, at the screen's edge on the side
// with more room.
void SearchWindow::PlaceBesideMainWindow() {
    QScreen* screen = mainWindow_->screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    const QRect main = mainWindow_->frameGeometry();
    const QSize size = frameGeometry().size();
    const int right = room.right() - main.right(), left = main.left() - room.left();
    int x;
    if (right >= size.width())
        x = main.right() + 1;
    else if (left >= size.width())
        x = main.left() - size.width();
    else
        x = right >= left ? room.right() + 1 - size.width() : room.left();
    const int y =
        std::clamp(main.top(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
    move(x, y);
}

void SearchWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || placed_) return;
    placed_ = true;
    PlaceBesideMainWindow();
}

void SearchWindow::SetStatus(const std::string& text) {
    if (text == lastStatus_) return;
    lastStatus_ = text;
    FindItem<QLabel>(this, 1020)->setText(QString::fromStdString(text));
}

void SearchWindow::ShowSearching(bool searching) {
    for (int id : kControlsIdleOnly) FindItem(this, id)->setEnabled(!searching);
    view_->setEnabled(!searching);
    auto* button = FindItem<QPushButton>(this, 4);
    button->setText(searching ? "Stop" : "Search");
    button->setEnabled(true);
}

void SearchWindow::Search() {
    if (searching_) {  // Stop
        FindItem(this, 4)->setEnabled(false);
        stopRequested_ = true;
        return;
    }
    searching_ = true;
    ShowSearching(true);
    found_ = 0;
    lastFolder_.clear();
    results_->clear();
    std::string types;
    for (const auto& [id, text] : kTypes)
        if (FindItem<QCheckBox>(this, id)->isChecked()) types += std::string(text) + ",";
    view_->setRowCount(0);
    g_searching = this;
    if (!types.empty())
        c_.tk.SearchFiles(c_.settings.searchFolder.c_str(), types.c_str(), SearchResultCallback, 0);
    g_searching = nullptr;
    FillResults();
    ShowSearching(false);
    SetStatus(" Idle");
    FindItem<QGroupBox>(this, 1049)->setTitle(QString("Files Found : ") + c_.tk.dw2sz(found_));
    searching_ = false;
    stopRequested_ = false;
}

void SearchWindow::FillResults() {
    QStringList paths;
    for (int i = 0; i < results_->count(); ++i) paths << results_->item(i)->text();
    paths.sort(Qt::CaseInsensitive);
    results_->clear();
    results_->addItems(paths);
    view_->setRowCount(static_cast<int>(paths.size()));
    for (int i = 0; i < paths.size(); ++i) {
        PumpMessages();
        const std::string path = paths[i].toStdString();
        const std::string name = NameOf(path);
        SetStatus(" Adding Search Result : " + name);
        const QString cells[] = {
            QString::number(i + 1),
            QString::fromStdString(TitleOf(path)),
            QString::fromStdString(TypeOf(path)),
            QString::fromStdString(ProbeDurationText(c_.tk, path)),
            QString::fromStdString(FolderOf(path)).toLower(),
        };
        for (int column = 0; column < 5; ++column)
            view_->setItem(i, column, new QTableWidgetItem(cells[column]));
    }
}

void SearchWindow::Add() {
    std::vector<std::string> chosen;
    for (const QModelIndex& row : view_->selectionModel()->selectedRows())
        if (auto* item = results_->item(row.row())) chosen.push_back(item->text().toStdString());
    inputs_.AddSearchResults(chosen);
    mainWindow_->raise();
}

void SearchWindow::Change() {
    lower();
    setEnabled(false);
    const char* folder = BrowseForFolderFrom(c_.tk, "CHOOSE A FOLDER TO BEGIN YOUR SEARCH",
                                             c_.settings.searchFolder);
    setEnabled(true);
    mainWindow_->raise();
    raise();
    if (!folder) return;
    FindItem<QLabel>(this, 1048)->setText(QString::fromUtf8(folder));
    c_.settings.searchFolder = c_.tk.wmGetText(this, 1048);
}

void SearchWindow::closeEvent(QCloseEvent* event) {
    if (searching_) {
        event->ignore();
        return;
    }
    mainWindow_->setEnabled(true);
    event->accept();
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_->viewport() || event->type() != QEvent::MouseButtonDblClick) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    const int row = view_->rowAt(mouse->position().toPoint().y());
    if (row >= 0 && row < results_->count()) play_(results_->item(row)->text().toStdString());
    return true;
}

}  // namespace sonavert
