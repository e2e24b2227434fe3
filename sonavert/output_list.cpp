#include "output_list.h"

#include "conversion_steps.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "dialog_style.h"
#include "message_boxes.h"
#include "rename_box.h"
#include "ui/dialog_items.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr char kDeleteWarning[] =
    "You are about to PERMANENTLY DELETE    \nMedia Files from your Hard Drive,    \n\nThese "
    "Files CANNOT be recovered\n\nThere is NO UNDO after this operation.\n\nPlease click NO if you "
    "are unsure\n\nAre you Sure?";

}  // namespace

OutputList::OutputList(Converter& converter, QWidget* window, QLabel* pattern, QListWidget* list)
    : QObject(window), c_(converter), window_(window), pattern_(pattern), list_(list) {}

void OutputList::WritePattern() {
    const int format = std::clamp(c_.settings.formatIndex, 0, 2);
    pattern_->setText(
        QString::fromStdString(c_.settings.outputFolder + "*" + kMediaExtensions[format]));
}

void OutputList::Refresh() {
    const std::string pattern = pattern_->text().toStdString();
    const std::string folder = FolderOf(pattern);
    const int format = MediaTypeOf(pattern);
    // The names the user had chosen stay chosen while their files exist.
    QSet<QString> selected;
    for (const QListWidgetItem* item : list_->selectedItems()) selected.insert(item->text());
    const QString current = list_->currentItem() ? list_->currentItem()->text() : QString();
    list_->clear();
    if (folder.empty() || format == kOtherMedia) return;
    QStringList names;
    const QDir dir(QString::fromStdString(folder));
    // Every file the pattern matches, hidden ones and ".mp3" itself included.
    for (const QFileInfo& file :
         dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort))
        if (MediaTypeOf(file.fileName().toStdString()) == format) names << file.fileName();
    names.sort(Qt::CaseInsensitive);
    list_->addItems(names);
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        if (item->text() == current) list_->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(selected.contains(item->text()));
    }
}

void OutputList::ChooseFolder() {
    QWidget* button = tonekit::ui::FindItem(window_, 1013);
    if (button) button->setEnabled(false);
    const char* chosen = BrowseForFolderFrom(
        c_.tk,
        "CHOOSE A FOLDER WHERE YOU WANT YOUR FILES TO BE CONVERTED TO\n\n( You could select "
        "your MP3 Player for example )",
        c_.settings.outputFolder);
    list_->setFocus();
    if (chosen) {
        c_.settings.outputFolder = chosen;
        WritePattern();
        Refresh();
    }
    if (button) button->setEnabled(true);
}

void OutputList::FormatChanged(int index) {
    if (index < 0 || index > 2) return;
    c_.settings.formatIndex = index;
    WritePattern();
    Refresh();
}

void OutputList::SelectAll() {
    list_->selectAll();
}

void OutputList::DeleteSelected() {
    c_.flags.deletingOutputs = true;
    if (!list_->selectedItems().isEmpty() &&
        !AskYesNo(window_->window(), "CONFIRM FILE DELETE", kDeleteWarning, QMessageBox::Warning)) {
        c_.flags.deletingOutputs = false;
        return;
    }
    while (!list_->selectedItems().isEmpty()) {
        int first = list_->count();
        for (auto* item : list_->selectedItems()) first = std::min(first, list_->row(item));
        const std::string name = list_->item(first)->text().toStdString();
        delete list_->takeItem(first);
        tonekit::util::RemoveRegularFile((c_.settings.outputFolder + name).c_str());
    }
    Refresh();
    c_.flags.deletingOutputs = false;
}

std::string OutputList::CaretEntry() const {
    auto* item = list_->currentItem();
    return item ? item->text().toStdString() : std::string();
}

void OutputList::Rename() {
    if (list_->count() == 0) return;
    const std::string name = CaretEntry();
    if (name.empty()) return;
    OpenRenameBox(c_, window_->window(), name,
                  [this, name](const std::string& text) { return RenameTo(name, text); });
}

bool OutputList::RenameTo(const std::string& oldName, const std::string& newText) {
    // A blank would not survive the old system's handling; a '/' would move
    // the file out of the output folder; an empty name would leave a hidden
    // file named by its extension alone.
    if (newText.empty() || newText.find(' ') != std::string::npos ||
        newText.find('/') != std::string::npos) {
        Warn(nullptr, "WARNING", "INVALID NAME          \n\nTry Again");
        return false;
    }
    const std::string extension = oldName.size() >= 4 ? oldName.substr(oldName.size() - 4) : "";
    c_.tk.CloseWMA(0);
    RenameWithoutReplacing(c_.settings.outputFolder + oldName,
                           c_.settings.outputFolder + newText + extension);
    Refresh();
    return true;
}

void OutputList::Resample() {
    if (c_.settings.formatIndex != 2) return;
    const std::string name = CaretEntry();
    if (name.empty()) return;
    const std::string program = c_.paths.programFolder + "wavshift";
    if (!c_.shell.startProgram(QString::fromStdString(program),
                               {QString::fromStdString(c_.settings.outputFolder + name)}))
        Warn(window_->window(), "ERROR", ("Cannot start " + program).c_str());
}

}  // namespace sonavert
