#include "input_list.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QTableWidget>

#include "dialog_style.h"
#include "message_boxes.h"
#include "message_pump.h"
#include "ui/dialog_items.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr size_t kMaxEntryBytes = 1023;  // an entry is under 1024 bytes
constexpr char kMediaTypes[] = "WAV,MP3,WMA,CDA,";
// The open-file dialog's filter pairs.
constexpr char kAddFilesFilter[] =
    "All Media Files\0*.wav;*.mp3;*.wma;*.cda\0"
    "CD Audio Files\0*.cda\0"
    "MPEG Layer 3 Files\0*.mp3\0"
    "Windows Media Audio Files\0*.wma\0"
    "Uncompressed PCM WAV Files\0*.wav\0";

constexpr char kDeleteAllWarning[] =
    "You are about to PERMANENTLY DELETE    \nALL Files in the Input Media Listbox from your\n"
    "Hard Drive,    \n\nThese Files CANNOT EVER be recovered,\nand there is NO UNDO after this "
    "operation.\n\nDeleting files that other programs may depend     \non may have catastrophic "
    "results.\n\nPlease click NO if you are even slightly unsure.\n\nAre you absolutely Sure?";
constexpr char kDeleteAllConfirm[] =
    "Please Confirm.             \n\nAre you absolutely Sure?                ";

constexpr TableColumn kColumns[] = {{"#", 40},      {"Title", 180}, {"Type", 50},
                                    {"Length", 60}, {"Status", 55}, {"Path", 90}};

// The list being filled by one of the library's callbacks.
InputList* g_filling = nullptr;

bool IsCdTrack(const std::string& path) {
    return MediaTypeOf(path) == 3;
}

// What a file must pass to join the list. CD tracks cannot be opened by the
// reader and join unprobed.
InputList::Probe ProbeFor(const std::string& path, InputList::Probe probe) {
    return IsCdTrack(path) ? InputList::Probe::None : probe;
}

}  // namespace

int32_t AddChosenFile(const char* path) {
    PumpMessages();
    if (!g_filling || !g_filling->Accepts(path, ProbeFor(path, InputList::Probe::Opens))) return 0;
    g_filling->status_(" Loading ... " + NameOf(path));
    g_filling->Append(path);
    return 0;
}

int32_t AddFolderFile(const char* path, const char* folder, const char* name, int32_t matches) {
    PumpMessages();
    if (!g_filling) return 0;
    if (!matches) {
        g_filling->status_(std::string(" Searching Folder : ") + folder);
        return 0;
    }
    g_filling->AddIfMedia(path, ProbeFor(path, InputList::Probe::HasLength));
    g_filling->status_(std::string(" Found : ") + name);
    return 0;
}

int32_t AddCdTrack(const char* path, const char*, const char*, int32_t) {
    if (g_filling) g_filling->AddIfMedia(path, InputList::Probe::None);
    return 0;
}

InputList::InputList(Converter& converter, QWidget* window, StatusSink status,
                     EnablingRule enabling)
    : QObject(window),
      c_(converter),
      window_(window),
      list_(new QListWidget(window)),
      table_(new QTableWidget(0, 6, window)),
      status_(std::move(status)),
      enabling_(std::move(enabling)) {
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->hide();
    list_->setAccessibleName("Input paths");
    tonekit::ui::SetControlId(list_, 1006);

    table_->setGeometry(16, 101, 500, 128);
    table_->setAccessibleName("Input list");
    table_->setFrameShape(QFrame::StyledPanel);
    SetUpMediaTable(table_, c_.font, kColumns);
    table_->setAcceptDrops(true);
    table_->viewport()->setAcceptDrops(true);
    viewport_ = table_->viewport();
    viewport_->installEventFilter(this);
}

std::vector<std::string> InputList::Paths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < list_->count(); ++i) paths.push_back(list_->item(i)->text().toStdString());
    return paths;
}

bool InputList::IsEmpty() const {
    return list_->count() == 0;
}

bool InputList::Contains(const std::string& path) const {
    const QString entry = QString::fromStdString(path);
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->text() == entry) return true;
    return false;
}

bool InputList::Accepts(const std::string& path, Probe probe) {
    if (path.size() > kMaxEntryBytes || Contains(path)) return false;
    switch (probe) {
        case Probe::None:
            return true;
        case Probe::Opens:
            return !ProbeDurationText(c_.tk, path).empty();
        case Probe::HasLength:
            return ProbeDuration(c_.tk, path) != 0;
    }
    return false;
}

void InputList::Append(const std::string& path) {
    list_->addItem(QString::fromStdString(path));
    currentFileName_ = path;
}

bool InputList::AddIfMedia(const std::string& path, Probe probe) {
    if (!Accepts(path, probe)) return false;
    Append(path);
    return true;
}

void InputList::FillRow(int row, const std::string& path) {
    // Probed at every rebuild: the cell shows the file as it is now.
    const std::string length = IsCdTrack(path) ? std::string() : ProbeDurationText(c_.tk, path);
    const QString cells[] = {
        QString::number(row + 1),
        QString::fromStdString(TitleOf(path)),
        QString::fromStdString(TypeOf(path)),
        QString::fromStdString(length),
        " --- ",
        QString::fromStdString(FolderOf(path)).toLower(),
    };
    for (int column = 0; column < 6; ++column)
        table_->setItem(row, column, new QTableWidgetItem(cells[column]));
}

void InputList::Rebuild(bool withMessages) {
    const std::vector<std::string> paths = Paths();
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        if (withMessages) status_(" Adding : " + NameOf(paths[i]));
        PumpMessages();
        // A command handled while pumping may have changed the list; the
        // rebuild it ran shows the list as it is now.
        if (table_->rowCount() != static_cast<int>(paths.size())) return;
        FillRow(static_cast<int>(i), paths[i]);
    }
    status_(" Idle");
}

void InputList::SyncSelection() {
    list_->clearSelection();
    for (const QModelIndex& row : table_->selectionModel()->selectedRows())
        if (auto* item = list_->item(row.row())) item->setSelected(true);
}

void InputList::AddFiles() {
    if (c_.flags.previewing) return;
    currentFileName_.clear();
    g_filling = this;
    const char* chosen = c_.tk.GetOpenFilenames(window_->window(), 1, "Add Audio Files",
                                                c_.settings.addFilesFolder.c_str(), kAddFilesFilter,
                                                0, AddChosenFile);
    g_filling = nullptr;
    if (!chosen) return;
    if (!IsEmpty()) {
        currentFileName_ = list_->item(list_->count() - 1)->text().toStdString();
        const std::string folder = FolderOf(currentFileName_);
        if (FitsPathField(folder)) {
            c_.settings.addFilesFolder = folder;
        } else {
            const std::string text =
                "The folder's path is too long to be remembered for the next Add:\n\n" + folder;
            Warn(window_->window(), "WARNING", text.c_str());
        }
    }
    enabling_(false);
    Rebuild(true);
}

void InputList::AddFolder() {
    if (c_.flags.previewing) return;
    QWidget* main = window_->window();
    main->setEnabled(false);
    const char* chosen = BrowseForFolderFrom(c_.tk, "CHOOSE A FOLDER TO ADD MEDIA FILES",
                                             c_.settings.addFilesFolder);
    main->setEnabled(true);
    main->raise();
    main->activateWindow();
    if (!chosen) return;
    const std::string folder = chosen;
    const bool subfolders = AskYesNo(nullptr, "ADD FOLDER",
                                     "Do you wish to include Subfolders?\n\nIf unsure, click NO");
    AddFolderFiles(folder, subfolders);
}

void InputList::AddFolderFiles(const std::string& folder, bool subfolders) {
    const std::string searched =
        folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
    g_filling = this;
    c_.tk.SearchFiles(searched.c_str(), kMediaTypes, AddFolderFile, subfolders ? 0 : 1);
    g_filling = nullptr;
    Rebuild(true);
    status_(" Idle");
    enabling_(true);
}

void InputList::AddCdTracks() {
    if (c_.flags.previewing) return;
    g_filling = this;
    c_.tk.SearchCDTracks(AddCdTrack);
    g_filling = nullptr;
    enabling_(false);
    Rebuild(true);
}

void InputList::AddDropped(const QList<QUrl>& urls) {
    if (c_.flags.previewing || c_.flags.running) return;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QFileInfo dropped(url.toLocalFile());
        if (dropped.isDir()) {
            g_filling = this;
            c_.tk.SearchFiles(dropped.absoluteFilePath().toStdString().c_str(), kMediaTypes,
                              AddFolderFile, 0);
            g_filling = nullptr;
        } else {
            const std::string path = dropped.absoluteFilePath().toStdString();
            AddIfMedia(path, ProbeFor(path, Probe::Opens));  // any file the reader opens
        }
    }
    enabling_(false);
    Rebuild(true);
}

void InputList::AddSearchResults(const std::vector<std::string>& paths) {
    for (const auto& path : paths)
        if (path.size() <= kMaxEntryBytes && !Contains(path) && ProbeDuration(c_.tk, path) != 0)
            Append(path);
    Rebuild(false);
    enabling_(true);
    if (table_->rowCount() > 0) table_->scrollToItem(table_->item(table_->rowCount() - 1, 0));
}

void InputList::RemoveSelected() {
    if (c_.flags.previewing) return;
    SyncSelection();
    c_.tk.LBDeleteSelected(window_, 1006);
    Rebuild(false);
    enabling_(false);
}

void InputList::DeleteKey() {
    SyncSelection();
    c_.tk.LBDeleteSelected(window_, 1006);
    Rebuild(false);
    if (selectedRow_ >= 0 && selectedRow_ < table_->rowCount()) {
        table_->selectRow(selectedRow_);
        table_->scrollToItem(table_->item(selectedRow_, 0));
    }
}

void InputList::Clear() {
    if (IsEmpty()) return;
    if (!AskYesNo(window_->window(), "CONFIRM CLEAR INPUT LIST", "Are you Sure?")) return;
    list_->clear();
    Rebuild(false);
}

void InputList::DeleteAllMedia() {
    if (IsEmpty()) return;
    QWidget* owner = window_->window();
    if (!AskYesNo(owner, "CONFIRM FILE DELETE", kDeleteAllWarning, QMessageBox::Warning)) return;
    if (!AskYesNo(owner, "CONFIRM FILE DELETE", kDeleteAllConfirm)) return;
    while (list_->count() > 0) {
        const std::string path = list_->item(0)->text().toStdString();
        delete list_->takeItem(0);
        tonekit::util::RemoveRegularFile(path.c_str());
    }
    Rebuild(false);
}

bool InputList::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport_) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!drag->mimeData()->hasUrls() || c_.flags.running || c_.flags.previewing) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls()) return false;
        drop->acceptProposedAction();
        AddDropped(drop->mimeData()->urls());
        return true;
    }
    return false;
}

}  // namespace sonavert
