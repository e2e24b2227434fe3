// A converter started in-process on the real libtonekit.so, in a folder of
// its own (portable: settings and scratch file beside the "program"), with the
// shell's requests recorded instead of carried out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "converter_session.h"
#include "input_list.h"
#include "main_window.h"
#include "qt_test_support.h"

namespace sonavert_testing {

using namespace testing_support;

// Media files made once per test program with ffmpeg: one.mp3 (1 s),
// two.wav (2 s), three.wma (1 s), and broken.mp3 (text).
const std::string& MediaFolder();

class ConverterWindow : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override { session_.reset(); }
    void Start();
    void Restart();

    sonavert::MainWindow& window() { return *session_->window(); }
    sonavert::Converter& converter() { return *session_->converter(); }
    template <typename Widget = QWidget>
    Widget* Item(int id) {
        return tonekit::ui::FindItem<Widget>(window().dialog(), id);
    }
    void Click(int id);
    void Trigger(int id) { window().Action(id)->trigger(); }

    std::vector<std::string> InputPaths() { return window().inputs().Paths(); }
    std::string Cell(int row, int column);
    std::vector<std::string> OutputNames();
    std::string Status() { return Item<QLabel>(1020)->text().toStdString(); }
    // Copies a file of MediaFolder() to `path`.
    void CopyMedia(const std::string& name, const std::string& path);

    TempDir dir_;
    std::string program_;  // the program's folder, with '/'
    std::string home_;     // $HOME, with '/'
    std::vector<QUrl> openedUrls_;
    std::vector<QStringList> startedPrograms_;
    std::vector<std::string> inputs_;  // given on the command line
    std::unique_ptr<sonavert::ConverterSession> session_;
};

}  // namespace sonavert_testing
