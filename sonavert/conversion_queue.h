// The conversion run: every entry of the input list goes through the scratch
// WAV (44,100 Hz, 16-bit stereo) into the chosen output format.
#pragma once

#include <string>

#include "conversion_steps.h"
#include "converter.h"
#include "scratch_file.h"

namespace sonavert {

// What the run shows and reads in the window.
class QueueView {
  public:
    virtual ~QueueView() = default;
    virtual int InputCount() = 0;
    virtual std::string InputPath(int row) = 0;
    virtual std::string InputTitle(int row) = 0;
    virtual void SetRowStatus(int row, const char* status) = 0;
    virtual void SelectRow(int row) = 0;  // -1: none
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void RefreshOutputs() = 0;
    // Disables the window's controls but Stop (or enables them again).
    virtual void ShowRunning(bool running) = 0;
    virtual void Warn(const char* title, const char* text) = 0;
};

// Where the last run's time went, in milliseconds: decoding into the scratch
// file, encoding from it, and the window's pump inside the progress callback.
struct QueueTimings {
    double decodeMs = 0, encodeMs = 0, pumpMs = 0;
};
QueueTimings LastRunTimings();

class ConversionQueue {
  public:
    ConversionQueue(Converter& converter, QueueView& view);

    // Runs the whole list; does nothing while a run is going on.
    void ConvertAll();
    // Stop: the running step ends early and the run ends.
    void RequestStop();

  private:
    enum class Outcome { Done, Stopped, StoppedBeforeEncode, Failed, Skipped };
    Outcome ConvertOne(int row);

    Converter& c_;
    QueueView& view_;
};

}  // namespace sonavert
