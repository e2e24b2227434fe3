#include "output_list.h"

#include "conversion_steps.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

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
    list_->clear();
    if (folder.empty() || format == kOtherMedia) return;
    QStringList names;
    const QDir dir(QString::fromStdString(folder));
    for (const QFileInfo& file :
         dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort)) {
        const std::string name = file.fileName().toStdString();
        if (name.size() > 4 && MediaTypeOf(name) == format) names << file.fileName();
    }
    names.sort(Qt::CaseInsensitive);
    list_->addItems(names);
}

void OutputList::ChooseFolder() {
    QWidget* button = tonekit::ui::FindItem(window_, 1013);
    if (button) button->setEnabled(false);
    const char* chosen = c_.tk.BrowseForFolder(
        "CHOOSE A FOLDER WHERE YOU WANT YOUR FILES TO BE CONVERTED TO\n\n( You could select "
        "your MP3 Player for example )",
        nullptr);
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
    // the file out of the output folder.
    if (newText.find(' ') != std::string::npos || newText.find('/') != std::string::npos) {
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

void OutputList::Goto() {
    c_.shell.openUrl(QUrl::fromLocalFile(QString::fromStdString(c_.settings.outputFolder)));
}

void OutputList::Resample() {
    if (c_.settings.formatIndex != 2) return;
    const std::string name = CaretEntry();
    if (name.empty()) return;
    c_.shell.startProgram(QString::fromStdString(c_.paths.programFolder + "wavshift"),
                          {QString::fromStdString(c_.settings.outputFolder + name)});
}

}  // namespace sonavert
