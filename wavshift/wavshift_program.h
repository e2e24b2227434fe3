// wavshift's life: bind the library, show the dialog, load the file the
// command line names, and release everything at the end.
#pragma once

#include <QPixmap>
#include <QStringList>

#include <memory>
#include <string>

#include "tonekit_api.h"
#include "wavshift_window.h"

namespace wavshift {

// The whole command line: the arguments joined by single spaces, so a path
// with blanks works unquoted.
std::string CommandLineOf(const QStringList& arguments);

class WavshiftProgram {
  public:
    // `libraryPath` empty: libtonekit.so from the program's folder, then the system.
    explicit WavshiftProgram(std::string libraryPath = "") : libraryPath_(std::move(libraryPath)) {}
    ~WavshiftProgram() { Shutdown(); }

    // Binds the library (a box naming what is missing, and false, when it
    // cannot), shows the dialog and loads the command line's file, if any.
    bool Start(const QStringList& arguments);
    void Shutdown();

    WavshiftWindow* window() const { return window_.get(); }

  private:
    std::string libraryPath_;
    TonekitLibrary library_;
    std::unique_ptr<QPixmap> background_;
    std::unique_ptr<WavshiftWindow> window_;
};

}  // namespace wavshift
