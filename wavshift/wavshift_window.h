// wavshift's dialog: the source file and its format, the target format, and
// the ReSAMPLE run with its progress and status line.
#pragma once

#include <QWidget>

#include <string>

#include "resample_engine.h"

class QPixmap;

namespace wavshift {

inline constexpr char kTitle[] = "Wavshift v1.0";
inline constexpr char kResources[] = ":/wavshift";

// The output of a run on `source`: beside it, its extension replaced by
// ".resampled.wav".
std::string ResampledPath(const std::string& source);

// The rate in the target edit as a run uses it: held within 2,000-192,000 Hz.
uint32_t ClampedRate(const QString& text);

class WavshiftWindow : public QWidget {
  public:
    WavshiftWindow(const TonekitApi& tk, const QPixmap* background);

    // Shows the file and its format and enables the controls. A file that
    // cannot be resampled is reported in a box naming it and the reason, and
    // leaves the window idle.
    void LoadSource(const std::string& path);
    // The hidden OPEN command: chooses a WAV file and loads it.
    void Open();
    // ReSAMPLE: runs the conversion inside this call, keeping the window alive.
    void Resample();

    bool Running() const { return running_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // A WAV file dropped on the window is loaded.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build();
    void BuildFormatControls();
    void BuildRunControls();
    void GoIdle();
    void ShowFormat(const WavInfo& info);
    bool ReadFormat(const std::string& path, WavInfo& info, std::string& reason);
    void EnableControls(bool enable);
    void StepRate(int direction);
    void SetStatus(const std::string& text);
    bool RunJob(const ResampleJob& job, std::string& reason);

    const TonekitApi& tk_;
    std::string source_;
    bool running_ = false;
    bool closeRequested_ = false;  // the window was closed during a run
    bool centred_ = false;
};

}  // namespace wavshift
