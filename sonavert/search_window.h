// The search window (dialog 150): finds media files of chosen types under a
// folder and hands the chosen ones to the input list.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "converter.h"

class QListWidget;
class QTableWidget;

namespace sonavert {

class InputList;

class SearchWindow : public QDialog {
  public:
    using PlayFile = std::function<void(const std::string& path)>;
    SearchWindow(Converter& converter, InputList& inputs, QWidget* mainWindow, PlayFile play);

    void Search();  // button 4: Search, or Stop while searching
    void Add();     // button 1 (ADD)
    bool searching() const { return searching_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override { close(); }

  private:
    friend int32_t SearchResultCallback(const char*, const char*, const char*, int32_t);
    void BuildControls();
    void PlaceBesideMainWindow();
    void Change();
    void FillResults();
    void SetStatus(const std::string& text);
    void ShowSearching(bool searching);

    Converter& c_;
    InputList& inputs_;
    QWidget* mainWindow_;
    PlayFile play_;
    QListWidget* results_;  // 1052: the full paths found, sorted
    QTableWidget* view_;
    bool searching_ = false;
    bool stopRequested_ = false;
    bool placed_ = false;
    uint32_t found_ = 0;
    std::string lastFolder_;
    std::string lastStatus_;
};

}  // namespace sonavert
