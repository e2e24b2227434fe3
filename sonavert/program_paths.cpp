#include "program_paths.h"

#include <unistd.h>

#include <string_view>

#include "util/regular_file.h"

namespace sonavert {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// $name with a trailing '/', or home + `fallback` when it is unset or not an
// absolute path (as the XDG base-directory rules ask).
std::string XdgFolder(const Environment& env, const char* name, const char* fallback) {
    const char* value = env(name);
    if (value && value[0] == '/') return WithSlash(value);
    return HomeFolder(env) + fallback;
}

// <prefix>/share/doc/sonavert/ when the program folder is <prefix>/bin/ of a
// system install, else empty.
std::string SystemDocFolder(const std::string& programFolder) {
    constexpr std::string_view kBin = "/bin/";
    if (!programFolder.ends_with(kBin)) return "";
    const std::string doc =
        programFolder.substr(0, programFolder.size() - kBin.size()) + "/share/doc/sonavert/";
    return tonekit::util::IsFolder(doc.c_str()) ? doc : "";
}

}  // namespace

std::string HomeFolder(const Environment& env) {
    const char* home = env("HOME");
    return home && home[0] ? WithSlash(home) : "/";
}

ProgramPaths FindProgramPaths(const std::string& programFolder, const Environment& env) {
    ProgramPaths p;
    p.programFolder = WithSlash(programFolder);
    p.defaults.homeFolder = HomeFolder(env);
    const std::string systemDoc = SystemDocFolder(p.programFolder);
    p.cacheFolder = XdgFolder(env, "XDG_CACHE_HOME", ".cache/") + "sonavert/";
    const bool portable = systemDoc.empty() && access(p.programFolder.c_str(), W_OK) == 0;
    if (portable) {
        p.settingsFile = p.programFolder + "settings.dat";
        p.scratchFile = p.programFolder + "temp.wav";
        p.defaults.outputFolder = p.programFolder;
    } else {
        p.settingsFile = XdgFolder(env, "XDG_CONFIG_HOME", ".config/") + "sonavert/settings.dat";
        p.scratchFile = p.cacheFolder + "temp.wav";
        const std::string music = p.defaults.homeFolder + "Music/";
        p.defaults.outputFolder =
            tonekit::util::IsFolder(music.c_str()) ? music : p.defaults.homeFolder;
    }
    return p;
}

}  // namespace sonavert
