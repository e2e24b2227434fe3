// The exported side of libsonavert-encode.so.
#include "encode_module.h"

#include "replaygain_tags.h"
#include "split_mp3.h"

namespace sonavert::encode {
namespace {

void Convert(const ConvertRequest& request, ConvertOutcome& outcome) {
    const TranscodeResult result =
        TranscodeInParts(request.input, request.output, request.settings, request.parts,
                         request.measure, request.progress);
    outcome.error = result.error;
    outcome.frames = result.frames;
    outcome.rate = result.rate;
    outcome.channels = result.channels;
    outcome.loudness = result.measured ? result.loudness.Serialize() : "";
}

std::string Measure(const std::string& path, std::string& loudness) {
    Loudness measured;
    const std::string error = MeasureFile(path, measured);
    if (error.empty()) loudness = measured.Serialize();
    return error;
}

std::string WriteGain(const std::string& path, const std::string& format, const std::string& track,
                      const Measurements& album) {
    Loudness trackLoudness, albumLoudness, one;
    if (!Loudness::Parse(track, trackLoudness)) return "the loudness was not measured";
    for (const std::string& text : album) {
        if (!Loudness::Parse(text, one)) return "the album's loudness was not measured";
        albumLoudness.Merge(one);
    }
    const std::optional<Gain> trackGain = GainOf(trackLoudness);
    if (!trackGain) return "";  // silence or under 0.4 s: no gain to give
    const std::optional<Gain> albumGain = album.empty() ? std::nullopt : GainOf(albumLoudness);
    return WriteReplayGain(path, format, *trackGain, albumGain) ? ""
                                                                : "the gain tags cannot be written";
}

constexpr EncodeModule kModule{Convert, Measure, WriteGain};

}  // namespace
}  // namespace sonavert::encode

extern "C" __attribute__((visibility("default"))) const sonavert::encode::EncodeModule*
SonavertEncodeModule() {
    return &sonavert::encode::kModule;
}
