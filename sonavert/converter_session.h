// The converter's life: start-up in its order, the main loop, and shutdown in
// its order.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "conversion_queue.h"
#include "converter.h"
#include "tonekit_binding.h"

namespace sonavert {

class MainWindow;

struct StartOptions {
    std::string libraryPath;            // empty: the program's folder, then the system
    std::optional<ProgramPaths> paths;  // empty: found from the program's folder
    int exitPumpMs = 3000;              // messages still pumped after the device closed
    Shell shell = DesktopShell();
    std::vector<std::string> inputs;  // files and folders added to the input list at start
};

class ConverterSession {
  public:
    explicit ConverterSession(StartOptions options);
    ~ConverterSession();

    // Binds the library (a message naming what is missing, and false, when it
    // cannot), loads the settings, shows the main window and opens the device.
    bool Start();
    // Runs until the main window is destroyed.
    void RunMainLoop();
    // Closes the device, pumps for a while, releases everything, deletes the
    // scratch file and unloads the library.
    void Shutdown();
    // SIGINT or SIGTERM: a run stops at its next step, then the window closes
    // as Exit closes it.
    void EndOnSignal();

    MainWindow* window() const { return window_.get(); }
    Converter* converter() const { return converter_.get(); }

  private:
    void AddInputs();

    StartOptions options_;
    TonekitLibrary library_;
    std::unique_ptr<Converter> converter_;
    std::vector<uint8_t> workBuffer_;
    std::unique_ptr<QPixmap> background_;
    std::unique_ptr<MainWindow> window_;
    WaveOutHandle device_ = nullptr;
    ScratchClaim scratch_;
    bool started_ = false;
};

}  // namespace sonavert
