// The conversion run: every entry of the input list goes through the scratch
// WAV (44,100 Hz, 16-bit stereo) into the chosen output format.
#pragma once

#include <string>

#include "conversion_steps.h"
#include "converter.h"

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
    bool Decode(int type, const std::string& path, const std::string& title);
    StepHooks Hooks();
    bool Encode(int format, const std::string& temporary, const std::string& title);

    Converter& c_;
    QueueView& view_;
};

// The scratch file of this converter: `preferred` when no other converter
// uses it, else a name of its own beside it (temp-1.wav, ...). The claim is a
// lock on <scratch>.lock, held until ReleaseScratchFile.
struct ScratchClaim {
    std::string path;
    int lock = -1;
};
ScratchClaim ClaimScratchFile(const std::string& preferred);
// Deletes the scratch file and its lock file and gives up the claim.
void ReleaseScratchFile(ScratchClaim& claim);

}  // namespace sonavert
