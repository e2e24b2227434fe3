// The file and folder choosers: Qt's own (non-native) file dialog, with the
// result forms the programs rely on.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>

#include <cstring>
#include <string>
#include <vector>

#include "tonekit.h"
#include "ui/dialog_items.h"
#include "util/message.h"

namespace tonekit::ui {
namespace {

constexpr size_t kFileNameBufferBytes = 0x7FFF;
constexpr size_t kFolderBufferBytes = 260;

char g_fileNames[kFileNameBufferBytes];
char g_chosenFolder[kFolderBufferBytes];
char g_ownDisplayName[kFolderBufferBytes];
bool g_folderChooserOpen = false;

// "All Media\0*.wav;*.mp3\0...\0" -> "All Media (*.wav *.mp3)", one per pair.
QStringList NameFilters(const char* filter) {
    QStringList filters;
    while (filter && *filter) {
        const QString description = QString::fromUtf8(filter);
        filter += std::strlen(filter) + 1;
        if (!*filter) break;
        QString patterns = QString::fromUtf8(filter).replace(';', ' ');
        filter += std::strlen(filter) + 1;
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters;
}

// Where the folder chooser opens: the folder the caller put in its display
// name buffer when that exists, else the home folder (never the process's
// working folder).
QString StartFolder(const char* displayName) {
    if (displayName) {
        const QString given =
            QString::fromUtf8(displayName, strnlen(displayName, kFolderBufferBytes));
        if (!given.isEmpty() && QFileInfo(given).isDir()) return given;
    }
    return QDir::homePath();
}

bool FitsBuffer(const std::string& text, size_t bytes) {
    return text.size() < bytes;
}

void DeliverPath(QWidget* owner, int32_t listBoxId, FileNameCallback callback,
                 const std::string& path) {
    if (callback) callback(path.c_str());
    auto* list = FindItem<QListWidget>(owner, listBoxId);
    if (!list) return;
    const QString entry = QString::fromStdString(path);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == entry) return;
    list->addItem(entry);
}

// The folder as the buffer's first text: without its trailing '/', except the root.
std::string FolderText(const QString& file) {
    std::string folder = QFileInfo(file).absolutePath().toStdString();
    return folder.empty() ? "/" : folder;
}

const char* DeliverSeveral(QWidget* owner, int32_t listBoxId, FileNameCallback callback,
                           const QStringList& files) {
    const std::string folder = FolderText(files.front());
    const std::string prefix = folder == "/" ? folder : folder + "/";
    std::vector<std::string> names;
    size_t bytes = folder.size() + 2;
    for (const QString& file : files) {
        names.push_back(QFileInfo(file).fileName().toStdString());
        bytes += names.back().size() + 1;
    }
    if (bytes > kFileNameBufferBytes) {
        util::ShowMessage("Too many files were chosen at once.\n\nPlease choose fewer files.",
                          "ERROR", util::MessageIcon::Error);
        return nullptr;
    }
    char* out = g_fileNames;
    std::memset(g_fileNames, 0, sizeof g_fileNames);
    std::memcpy(out, folder.c_str(), folder.size() + 1);
    out += folder.size() + 1;
    for (const auto& name : names) {
        std::memcpy(out, name.c_str(), name.size() + 1);
        out += name.size() + 1;
        DeliverPath(owner, listBoxId, callback, prefix + name);
    }
    return g_fileNames;
}

}  // namespace
}  // namespace tonekit::ui

using namespace tonekit::ui;

extern "C" const char* GetOpenFilenames(TkWindow owner, int32_t multiSelect, const char* title,
                                        const char* initialFolder, const char* filter,
                                        int32_t listBoxId, FileNameCallback callback) {
    auto* parent = static_cast<QWidget*>(owner);
    QFileDialog dialog(parent, QString::fromUtf8(title ? title : ""),
                       QString::fromUtf8(initialFolder ? initialFolder : ""));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return nullptr;

    if (!multiSelect || files.size() == 1) {
        const std::string path = files.front().toStdString();
        if (!FitsBuffer(path, kFileNameBufferBytes)) return nullptr;
        if (!multiSelect) {
            std::memset(g_fileNames, 0, sizeof g_fileNames);
            std::memcpy(g_fileNames, path.c_str(), path.size() + 1);
            return g_fileNames;
        }
        DeliverPath(parent, listBoxId, callback, path);
        return " ";
    }
    return DeliverSeveral(parent, listBoxId, callback, files);
}

extern "C" char* BrowseForFolder(const char* title, char* displayName) {
    if (g_folderChooserOpen) return nullptr;
    g_folderChooserOpen = true;
    QFileDialog dialog(nullptr, QString::fromUtf8(title ? title : ""), StartFolder(displayName));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    g_folderChooserOpen = false;
    if (!chosen) return nullptr;

    const QFileInfo folder(dialog.selectedFiles().front());
    std::string path = folder.absoluteFilePath().toStdString();
    if (path != "/") path += '/';
    if (!FitsBuffer(path, kFolderBufferBytes)) {
        const std::string text = "The folder's path is too long to be used:\n\n" + path;
        tonekit::util::ShowMessage(text.c_str(), "ERROR", tonekit::util::MessageIcon::Error);
        return nullptr;
    }
    std::memcpy(g_chosenFolder, path.c_str(), path.size() + 1);
    char* name = displayName ? displayName : g_ownDisplayName;
    const std::string shown = path == "/" ? path : folder.fileName().toStdString();
    const size_t bytes = std::min(shown.size(), kFolderBufferBytes - 1);
    std::memcpy(name, shown.c_str(), bytes);
    name[bytes] = '\0';
    return g_chosenFolder;
}
