#include "wavshift_program.h"

#include <QApplication>

#include "ui/dialog_look.h"
#include "ui/program_start.h"

namespace wavshift {

std::string CommandLineOf(const QStringList& arguments) {
    return arguments.join(' ').toStdString();
}

bool WavshiftProgram::Start(const QStringList& arguments) {
    std::string error;
    if (!library_.Load(libraryPath_, error)) {
        tonekit::ui::ReportBindingFailure("wavshift", error);
        return false;
    }
    const TonekitApi& tk = library_.api();
    QApplication::setFont(tonekit::ui::DialogFont());
    background_.reset(static_cast<QPixmap*>(tk.LoadResourceJpeg(kResources, nullptr, 104)));
    window_ = std::make_unique<WavshiftWindow>(tk, background_.get());
    window_->show();
    // SIGINT or SIGTERM: a run stops at its next block and removes its
    // output, then the window closes.
    tonekit::ui::OnQuitSignal(window_.get(), [window = window_.get()] {
        window->close();
        if (!window->Running()) QApplication::quit();
    });
    window_->LoadSource(CommandLineOf(arguments));
    return true;
}

void WavshiftProgram::Shutdown() {
    window_.reset();
    background_.reset();
    library_.Unload();
}

}  // namespace wavshift
