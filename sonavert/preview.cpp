#include "preview.h"

#include <cstdlib>
#include <cstring>

#include "playback.h"

namespace sonavert {
namespace {

constexpr int32_t kQueueBytes = 0x40000;
constexpr int32_t kWorkBufferBytes = 0x80000;

}  // namespace

Preview::Preview(Converter& converter, PreviewView& view, QObject* parent)
    : QObject(parent), c_(converter), view_(view), queue_(converter.workBuffer) {
    SetPlaybackSource(this);
}

// The device is closed before the window goes, so no fill is running here.
Preview::~Preview() {
    SetPlaybackSource(nullptr);
    c_.tk.CloseWMA(0);
}

void Preview::SetSliderPosition(int position) {
    pitch_ = (position - 50) * 0.01 + 1.0;
}

void Preview::Start(const std::string& path) {
    if (path.empty() || c_.flags.running) return;
    view_.ShowPreviewing(true);
    view_.SetStatus(" Loading Audio ...");
    std::lock_guard guard(fillLock_);
    std::memset(queue_, 0, kWorkBufferBytes);
    duration_ = 0;
    if (!c_.tk.OpenWMA(0, path.c_str(), 0, &duration_)) {
        c_.tk.CloseWMA(0);
        view_.SetStatus(" Idle");
        view_.ShowPreviewing(false);
        return;
    }
    filled_ = 0;
    lastStatus_.clear();
    lastPercent_ = -1;
    statusPrefix_ = " Playing ... " + NameOf(path) + " -";
    c_.flags.previewing = true;
    view_.SetProgress(0);
    playing_ = true;
}

void Preview::Stop() {
    {
        std::lock_guard guard(fillLock_);
        playing_ = false;
        c_.tk.CloseWMA(0);
    }
    if (!c_.flags.previewing) return;
    c_.flags.previewing = false;
    view_.SetStatus(" Idle");
    view_.SetProgress(0);
    view_.ShowPreviewing(false);
}

// The end of the file, on the user-interface thread.
void Preview::FinishAtEnd() {
    if (c_.flags.previewing && !playing_) Stop();
}

void Preview::Fill(uint8_t* buffer, int32_t chunkBytes) {
    std::lock_guard guard(fillLock_);
    if (!playing_) {
        filled_ = 0;
        std::memset(buffer, 0, static_cast<size_t>(chunkBytes));
        return;
    }
    bool ended = false;
    int percent = lastPercent_;
    uint64_t position = 0;
    while (filled_ < chunkBytes) {
        char* block = nullptr;
        int32_t bytes = 0;
        const int32_t read = c_.tk.ReadWMA(0, &block, &bytes, &position, pitch_.load());
        if (read < 0) {
            std::free(block);
            ended = true;
            break;
        }
        // A block never runs past the work buffer's slack behind the queue.
        const int32_t room = kWorkBufferBytes - filled_;
        std::memcpy(queue_ + filled_, block, static_cast<size_t>(std::min(bytes, room)));
        std::free(block);
        filled_ += std::min(bytes, room);
        percent = read;
    }
    std::memcpy(buffer, queue_, static_cast<size_t>(chunkBytes));
    std::memmove(queue_, queue_ + chunkBytes, static_cast<size_t>(kWorkBufferBytes - chunkBytes));
    std::memset(queue_ + kWorkBufferBytes - chunkBytes, 0, static_cast<size_t>(chunkBytes));
    filled_ = std::max(0, filled_ - chunkBytes);

    std::string status = statusPrefix_ + " " + c_.tk.nanosec2time(static_cast<int64_t>(position)) +
                         " / " + c_.tk.nanosec2time(static_cast<int64_t>(duration_));
    if (ended) playing_ = false;
    const bool statusChanged = status != lastStatus_ && !ended;
    const bool progressChanged = percent != lastPercent_;
    lastStatus_ = status;
    lastPercent_ = percent;
    if (!statusChanged && !progressChanged && !ended) return;
    QMetaObject::invokeMethod(
        this,
        [this, status = std::move(status), percent, statusChanged, ended] {
            if (!c_.flags.previewing) return;
            if (statusChanged) view_.SetStatus(status);
            view_.SetProgress(percent);
            if (ended) FinishAtEnd();
        },
        Qt::QueuedConnection);
}

}  // namespace sonavert
