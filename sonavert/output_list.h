// The output list (control 1008): the files of the output folder that have
// the chosen extension, under the output pattern line (control 1022), and the
// file operations on them.
#pragma once

#include <QObject>

#include <string>

#include "converter.h"

class QLabel;
class QListWidget;
class QWidget;

namespace sonavert {

class OutputList : public QObject {
  public:
    OutputList(Converter& converter, QWidget* window, QLabel* pattern, QListWidget* list);

    // outputFolder + "*" + the chosen extension.
    void WritePattern();
    void Refresh();
    void ChooseFolder();
    void FormatChanged(int index);
    void SelectAll();
    void DeleteSelected();
    void Rename();  // opens the rename box
    void Resample();

    // The rename box's OK: false (box stays open) when the name was refused.
    bool RenameTo(const std::string& oldName, const std::string& newText);

  private:
    std::string CaretEntry() const;

    Converter& c_;
    QWidget* window_;
    QLabel* pattern_;
    QListWidget* list_;
};

}  // namespace sonavert
