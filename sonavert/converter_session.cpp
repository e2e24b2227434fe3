#include "converter_session.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "conversion_queue.h"
#include "input_list.h"
#include "main_window.h"
#include "message_pump.h"
#include "playback.h"
#include "ui/dialog_look.h"
#include "ui/program_start.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

constexpr size_t kWorkBufferBytes = 0x80000;

int32_t PumpWhileWaiting(int32_t) {
    PumpMessages();
    return 0;
}

}  // namespace

ConverterSession::ConverterSession(StartOptions options) : options_(std::move(options)) {}

ConverterSession::~ConverterSession() {
    Shutdown();
}

bool ConverterSession::Start() {
    std::string error;
    if (!library_.Load(options_.libraryPath, error)) {
        tonekit::ui::ReportBindingFailure("sonavert", error);
        return false;
    }
    ResetQuit();
    ProgramPaths paths = options_.paths.value_or(FindProgramPaths(
        tonekit::util::ProgramFolder(), [](const char* name) { return std::getenv(name); }));
    std::error_code ignored;
    std::filesystem::create_directories(FolderOf(paths.scratchFile), ignored);
    scratch_ = ClaimScratchFile(paths.scratchFile);
    paths.scratchFile = scratch_.path;
    converter_ = std::make_unique<Converter>(library_.api(), paths, options_.shell);
    const Tonekit& tk = library_.api();
    workBuffer_.assign(kWorkBufferBytes, 0);
    converter_->workBuffer = workBuffer_.data();
    QApplication::setFont(tonekit::ui::DialogFont());
    converter_->font = tonekit::ui::ArialFont();
    background_.reset(static_cast<QPixmap*>(tk.LoadResourceJpeg(":/sonavert", nullptr, 139)));
    converter_->background = background_.get();
    converter_->settings = LoadSettings(paths.settingsFile, paths.defaults);

    window_ = std::make_unique<MainWindow>(*converter_);
    window_->show();
    // Only a portable program folder makes its own desktop launcher; a system
    // install has its menu entry, and a launcher it wrote would outlive it.
    if (paths.settingsFile == paths.programFolder + "settings.dat")
        tk.CreateDesktopShortcut(window_.get(), "Sonavert",
                                 (paths.programFolder + "sonavert").c_str());
    tonekit::ui::OnQuitSignal(window_.get(), [this] { EndOnSignal(); });
    device_ = OpenPlayback(*converter_, converter_->settings.bufferBytes);
    window_->RefreshOutputList();
    started_ = true;
    AddInputs();
    return true;
}

void ConverterSession::AddInputs() {
    if (options_.inputs.empty()) return;
    QList<QUrl> urls;
    for (const std::string& input : options_.inputs) {
        const QFileInfo file(QFile::decodeName(input.c_str()));
        if (file.exists())
            urls.append(QUrl::fromLocalFile(file.absoluteFilePath()));
        else
            std::fprintf(stderr, "sonavert: %s: no such file or folder\n", input.c_str());
    }
    window_->inputs().AddDropped(urls);
}

void ConverterSession::EndOnSignal() {
    if (!window_) return;
    converter_->flags.stopRequested = converter_->flags.running;
    auto* whenIdle = new QTimer(window_.get());
    QObject::connect(whenIdle, &QTimer::timeout, window_.get(), [this, whenIdle] {
        if (converter_->flags.running) return;
        whenIdle->stop();
        window_->Destroy();
    });
    whenIdle->start(20);
}

void ConverterSession::RunMainLoop() {
    if (!started_ || converter_->flags.shuttingDown) return;
    QApplication::exec();
}

void ConverterSession::Shutdown() {
    if (!started_) return;
    started_ = false;
    window_->Destroy();
    ClosePlayback(*converter_, device_);
    device_ = nullptr;
    library_.api().WaitTime(static_cast<uint32_t>(options_.exitPumpMs), PumpWhileWaiting);
    window_.reset();
    background_.reset();
    workBuffer_.clear();
    workBuffer_.shrink_to_fit();
    ReleaseScratchFile(scratch_);
    converter_.reset();
    library_.Unload();
}

}  // namespace sonavert
