// Driving Qt windows from tests under the offscreen platform: answering the
// modal dialogs a command opens, and finding controls by id.
#pragma once

#include <gtest/gtest.h>
#include <QTest>
#include <QtWidgets>  // the window tests drive most widget classes

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"
#include "ui/dialog_items.h"

namespace testing_support {

namespace fs = std::filesystem;

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

  private:
    void Poll();
    std::deque<Answer> answers_;
    QPointer<QWidget> last_;  // cleared when that dialog goes
    QTimer* timer_;
};

// Answers for the usual dialogs. `text` receives the message box's title|text.
ModalAnswers::Answer PressButton(int standardButton, std::string* text = nullptr);
// Chooses files (names in `folder`) in the non-native file dialog.
ModalAnswers::Answer ChooseFiles(const std::string& folder, const std::vector<std::string>& names);
inline ModalAnswers::Answer ChooseFolder(const std::string& folder) {
    return ChooseFiles(folder, {});
}
ModalAnswers::Answer Cancel();
// Notes the folder a chooser opened in, with its '/', then answers with `then`.
ModalAnswers::Answer NoteFolder(std::string* opened, ModalAnswers::Answer then);

// Runs `action` and presses OK in the one message box it opens; its title|text.
std::string OkBoxText(const std::function<void()>& action);

// What a screen reader hears as the control's name.
std::string AccessibleName(QWidget* control);
// The visible top-level window with the control id `id`, or null.
QWidget* TopLevel(int id);
// Whether a window's frame sits in the middle of its screen.
bool Centred(QWidget* window);
// Drags local files onto `target` and drops them there; false when refused.
bool DropFiles(QWidget* target, const std::vector<std::string>& paths);

// Grabs a widget to `folder`/`name`.png when `folder` is not empty.
void Snapshot(QWidget* widget, const std::string& folder, const std::string& name);

}  // namespace testing_support
