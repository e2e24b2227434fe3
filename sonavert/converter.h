// What the parts of the converter share: the bound library, the paths, the
// settings record, the state flags and the shell it starts things through.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <string>

#include "program_paths.h"
#include "settings.h"
#include "tonekit_binding.h"

namespace sonavert {

// The output formats, in the order of the format chooser: its index is the
// output format. A text that matches none of the four has index 4.
inline constexpr const char* kMediaExtensions[] = {".mp3", ".wma", ".wav", ".cda"};
inline constexpr int kOtherMedia = 4;

struct ConverterFlags {
    bool running = false;        // a conversion run is under way
    bool stopRequested = false;  // Stop was pressed during the run
    bool previewing = false;     // a file is being played
    bool deletingOutputs = false;
    std::atomic<bool> shuttingDown{false};  // read by the playback thread
};

// Folders, web pages and programs started for the user. Tests replace them.
struct Shell {
    std::function<bool(const QUrl&)> openUrl;
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
};

Shell DesktopShell();

struct Converter {
    Converter(const Tonekit& library, ProgramPaths programPaths, Shell desktop)
        : tk(library), paths(std::move(programPaths)), shell(std::move(desktop)) {}

    const Tonekit& tk;
    ProgramPaths paths;
    Settings settings;
    Shell shell;
    ConverterFlags flags;
    QFont font;                           // the application font
    const QPixmap* background = nullptr;  // the windows' background picture
    uint8_t* workBuffer = nullptr;        // 524,288 bytes; the preview's decode queue
};

// The index of a path's type: its last four characters, lower-cased, in
// kMediaExtensions (0 MP3, 1 WMA, 2 WAV, 3 CD track, 4 any other).
int MediaTypeOf(const std::string& path);

// The folder part of a path with its trailing '/'; "" when it has none.
std::string FolderOf(const std::string& path);
// The name part of a path, without its folder.
std::string NameOf(const std::string& path);
// A file's title: its name without the last four characters (".mp3"); for a
// file of another type (".flac"), without its extension.
std::string TitleOf(const std::string& path);
// A file's type as shown: the last three characters, upper-cased; for a file
// of another type, its extension upper-cased.
std::string TypeOf(const std::string& path);

}  // namespace sonavert

namespace sonavert {

// The duration of a file read through reader slot 1, in 100-ns units; 0 when
// the file cannot be opened.
uint64_t ProbeDuration(const Tonekit& tk, const std::string& path);
// The duration as text ("3:25"), or "" when the file cannot be opened.
std::string ProbeDurationText(const Tonekit& tk, const std::string& path);

}  // namespace sonavert
