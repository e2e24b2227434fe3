#include "converter.h"

#include <QDesktopServices>
#include <QProcess>

#include <algorithm>
#include <cctype>

#include "conversion_steps.h"

namespace sonavert {

Shell DesktopShell() {
    return Shell{
        [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        [](const QString& program, const QStringList& arguments) {
            return QProcess::startDetached(program, arguments);
        },
    };
}

int MediaTypeOf(const std::string& path) {
    if (path.size() < 4) return kOtherMedia;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (int i = 0; i < kOtherMedia; ++i)
        if (tail == kMediaExtensions[i]) return i;
    return kOtherMedia;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TitleOf(const std::string& path) {
    const std::string name = NameOf(path);
    if (MediaTypeOf(path) == kOtherMedia) return name.substr(0, name.rfind('.'));
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string TypeOf(const std::string& path) {
    const std::string name = NameOf(path);
    const size_t dot = name.rfind('.');
    std::string type = MediaTypeOf(path) == kOtherMedia && dot != std::string::npos
                           ? name.substr(dot + 1)
                           : path.substr(path.size() >= 3 ? path.size() - 3 : 0);
    for (char& ch : type) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return type;
}

}  // namespace sonavert

namespace sonavert {

namespace {

// A WAV file the WAV reader refuses (24-bit, floating point, many channels)
// is measured by the media decoder, which converts it too.
bool Probe(const Tonekit& tk, const std::string& path, uint64_t& duration) {
    duration = 0;
    bool opened = tk.OpenWMA(1, path.c_str(), 0, &duration) != 0;
    tk.CloseWMA(1);
    if (!opened && MediaTypeOf(path) == kWav) {
        opened = tk.OpenMedia(1, path.c_str(), 0, &duration) != 0;
        tk.CloseWMA(1);
    }
    return opened;
}

}  // namespace

uint64_t ProbeDuration(const Tonekit& tk, const std::string& path) {
    uint64_t duration = 0;
    return Probe(tk, path, duration) ? duration : 0;
}

std::string ProbeDurationText(const Tonekit& tk, const std::string& path) {
    uint64_t duration = 0;
    if (!Probe(tk, path, duration)) return {};
    return tk.nanosec2time(static_cast<int64_t>(duration));
}

}  // namespace sonavert
