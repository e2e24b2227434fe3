#include "media/ffmpeg_api.h"
#include "media/media_decoder.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <mutex>

#include "test_seams.h"
#include "util/message.h"

namespace tonekit::media {
namespace {

std::string SoName(const char* base, int major) {
    return std::string("lib") + base + ".so." + std::to_string(major);
}

std::vector<std::string> DefaultLibraries() {
    return {SoName("avutil", LIBAVUTIL_VERSION_MAJOR), SoName("avcodec", LIBAVCODEC_VERSION_MAJOR),
            SoName("avformat", LIBAVFORMAT_VERSION_MAJOR),
            SoName("swresample", LIBSWRESAMPLE_VERSION_MAJOR)};
}

struct Binding {
    util::DynamicLibrary libraries[4];
    FfmpegApi api;
    std::string missing;  // the library or function that could not be bound

    explicit Binding(const std::vector<std::string>& names) {
        for (size_t i = 0; i < 4 && i < names.size(); ++i)
            if (!libraries[i].Open({names[i]}) && missing.empty()) missing = names[i];
        if (!missing.empty()) return;
        missing = util::BindFunctions(api, [&](const char* name) -> void* {
            for (const auto& library : libraries)
                if (void* symbol = library.Symbol(name)) return symbol;
            return nullptr;
        });
        if (missing.empty()) api.av_log_set_level(AV_LOG_QUIET);
    }
};

std::mutex g_lock;
std::vector<std::string> g_names = DefaultLibraries();
Binding* g_binding = nullptr;  // bound on first use, kept until tonekit unloads
// Bindings replaced by the test seam stay loaded: FFmpeg keeps state of its
// own that unloading would strand.
std::vector<Binding*>* g_replaced = nullptr;

// Frees a binding but leaves its libraries loaded.
void Forget(Binding* binding) {
    for (auto& library : binding->libraries) library.Release();
    delete binding;
}
bool g_reported = false;

void ReportMissing(const std::string& missing) {
    std::string name = missing;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    util::ShowMessage(("DLL NOT FOUND:\n\n" + name).c_str(), "ERROR", util::MessageIcon::Error);
}

}  // namespace

const FfmpegApi* Ffmpeg() {
    std::lock_guard guard(g_lock);
    if (!g_binding) g_binding = new Binding(g_names);
    if (g_binding->missing.empty()) return &g_binding->api;
    if (!g_reported) ReportMissing(g_binding->missing);
    g_reported = true;
    return nullptr;
}

void ForgetFfmpeg() {
    std::lock_guard guard(g_lock);
    if (g_binding) Forget(g_binding);
    g_binding = nullptr;
    if (g_replaced)
        for (Binding* binding : *g_replaced) Forget(binding);
    delete g_replaced;
    g_replaced = nullptr;
}

bool MediaAvailable() {
    return Ffmpeg() != nullptr;
}

void UseFfmpegLibraries(const std::vector<std::string>& names) {
    std::lock_guard guard(g_lock);
    if (g_binding) {
        if (!g_replaced) g_replaced = new std::vector<Binding*>;
        g_replaced->push_back(g_binding);
    }
    g_binding = nullptr;
    g_names = names.empty() ? DefaultLibraries() : names;
    g_reported = false;
}

std::string FileUrl(const char* path) {
    if (!path || !*path) return {};
    std::string absolute = path;
    if (absolute[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return {};
        absolute = std::string(cwd) + "/" + absolute;
    }
    return "file:" + absolute;
}

AVDictionary* FileProtocolOnly(const FfmpegApi& ff) {
    AVDictionary* options = nullptr;
    ff.av_dict_set(&options, "protocol_whitelist", "file", 0);
    return options;
}

}  // namespace tonekit::media
