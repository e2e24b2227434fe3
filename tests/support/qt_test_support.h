// Driving Qt windows from tests under the offscreen platform: answering the
// modal dialogs a command opens, and finding controls by id.
#pragma once

#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QTimer;

namespace testing_support {

// Answers modal dialogs as they open, in order: the first handler gets the
// first modal dialog, and so on. Every dialog a command opened must have been
// answered by the time the command returns; the destructor checks that
// every handler was used.
class ModalAnswers {
  public:
    using Answer = std::function<void(QWidget* dialog)>;
    ModalAnswers();
    ~ModalAnswers();
    ModalAnswers& Then(Answer answer);
    size_t Pending() const { return answers_.size(); }

  private:
    void Poll();
    std::deque<Answer> answers_;
    QPointer<QWidget> last_;  // cleared when that dialog goes
    QTimer* timer_;
};

// Answers for the usual dialogs. `text` receives the message box's text.
ModalAnswers::Answer PressButton(int standardButton, std::string* text = nullptr);
// Chooses files (names in `folder`) in the non-native file dialog.
ModalAnswers::Answer ChooseFiles(const std::string& folder, const std::vector<std::string>& names);
ModalAnswers::Answer ChooseFolder(const std::string& folder);
ModalAnswers::Answer Cancel();

// What a screen reader hears as the control's name.
std::string AccessibleName(QWidget* control);

// Grabs a widget to `folder`/`name`.png when `folder` is not empty.
void Snapshot(QWidget* widget, const std::string& folder, const std::string& name);

}  // namespace testing_support
