// The main window (dialog 106 with menu 134): builds the controls, the menu
// and the tool tips, and routes each command to the part that handles it.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>
#include <string>

#include "converter.h"

class QAction;
class QMenu;

namespace sonavert {

class ConversionQueue;
class InputList;
class QueueWindow;
class Preview;
class PreviewWindow;
class OutputList;
class SearchWindow;
class MenuStyle;
class ToolTips;

class MainWindow : public QMainWindow {
  public:
    explicit MainWindow(Converter& converter);
    ~MainWindow() override;

    // Handles command `id`, from a button, a menu entry or the keyboard.
    void Command(int id);
    // Sets the status line unless it already shows `text`.
    void SetStatusText(const std::string& text);
    void RefreshOutputList();
    // Closes the window for good: the settings are saved and the loop ends.
    void Destroy();

    QAction* Action(int id) const;
    InputList& inputs() { return *input_; }
    OutputList& outputs() { return *output_; }
    ConversionQueue& queue() { return *queue_; }
    Preview& preview() { return *preview_; }
    SearchWindow* searchWindow() const;
    QWidget* dialog() const { return dialog_; }

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class QueueWindow;
    friend class PreviewWindow;
    void PlayInput(int row);
    void PlayOutput();
    void OpenSearchWindow();
    // Writes out the built-in user guide and opens it.
    void OpenUserGuide();
    // Asks the desktop to open `url`; a box says so when nothing can.
    void OpenOrSayWhy(const QUrl& url);
    void BuildControls();
    void BuildMenu();
    void AddToolTips();
    void SetPictures();
    void ConnectCommands();
    QAction* AddCommand(QMenu* menu, int id, const char* text);
    void ApplyMenuSetting(int id);
    void ApplyEnabling(bool enableOnly);

    Converter& c_;
    QWidget* dialog_;
    std::unique_ptr<MenuStyle> menuStyle_;
    ToolTips* toolTips_;
    InputList* input_;
    OutputList* output_;
    std::unique_ptr<QueueWindow> queueWindow_;
    std::unique_ptr<ConversionQueue> queue_;
    std::unique_ptr<PreviewWindow> previewWindow_;
    Preview* preview_;
    QPointer<SearchWindow> search_;
    std::map<int, QAction*> actions_;
    std::string lastStatus_;
    bool deletePending_ = false;
    bool destroyed_ = false;
    bool centred_ = false;
    std::vector<std::unique_ptr<QIcon>> buttonPictures_;
};

}  // namespace sonavert
