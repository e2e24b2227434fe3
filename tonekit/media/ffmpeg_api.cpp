#include "media/ffmpeg_api.h"

#include <mutex>
#include <string>

namespace tonekit::media {
namespace {

std::string SoName(const char* base, int major) {
    return std::string("lib") + base + ".so." + std::to_string(major);
}

struct Binding {
    util::DynamicLibrary util, codec, format, resample;
    FfmpegApi api;
    bool complete = false;

    Binding() {
        util.Open({SoName("avutil", LIBAVUTIL_VERSION_MAJOR)});
        codec.Open({SoName("avcodec", LIBAVCODEC_VERSION_MAJOR)});
        format.Open({SoName("avformat", LIBAVFORMAT_VERSION_MAJOR)});
        resample.Open({SoName("swresample", LIBSWRESAMPLE_VERSION_MAJOR)});
        const util::DynamicLibrary* libraries[] = {&util, &codec, &format, &resample};
        complete = true;
        TK_FFMPEG_FUNCTIONS(TK_RESOLVE_FUNCTION)
        if (complete) api.av_log_set_level(AV_LOG_QUIET);
    }
};

}  // namespace

const FfmpegApi* Ffmpeg() {
    // Bound once, on first use, and kept for the life of the process.
    static Binding* binding = new Binding();
    return binding->complete ? &binding->api : nullptr;
}

}  // namespace tonekit::media
