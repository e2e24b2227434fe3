// Preview playback: a file decoded on the fly through reader slot 0 at the
// chosen pitch, into the buffers of the playback device. The fill routine runs
// on the audio thread and never touches a widget: it posts the status line,
// the progress and the end of the file to the user-interface thread.
#pragma once

#include <QObject>

#include <atomic>
#include <mutex>
#include <string>

#include "converter.h"

namespace sonavert {

// What the preview shows in the window (user-interface thread only).
class PreviewView {
  public:
    virtual ~PreviewView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void ShowPreviewing(bool previewing) = 0;
};

class Preview : public QObject {
  public:
    Preview(Converter& converter, PreviewView& view, QObject* parent);
    ~Preview() override;

    // Plays `path`; a file that cannot be opened is not played.
    void Start(const std::string& path);
    void Stop();
    // The slider's position 0-100 gives the pitch 0.50-1.50.
    void SetSliderPosition(int position);
    double pitch() const { return pitch_.load(); }

    // Fills one buffer of `chunkBytes` (audio thread).
    void Fill(uint8_t* buffer, int32_t chunkBytes);

  private:
    void FinishAtEnd();

    Converter& c_;
    PreviewView& view_;
    uint8_t* queue_;  // the first 262,144 bytes of the work buffer
    int32_t filled_ = 0;
    uint64_t duration_ = 0;
    std::string statusPrefix_;
    std::string lastStatus_;
    int lastPercent_ = -1;
    std::atomic<bool> playing_{false};
    std::atomic<double> pitch_{1.0};
    std::mutex fillLock_;  // slot 0 and the queue: one fill, or a start or stop, at a time
};

}  // namespace sonavert
