#include "transcoder.h"

#include "muxer.h"

namespace sonavert::encode {

TranscodeResult Transcode(const std::string& input, const std::string& output,
                          const EncodeSettings& settings, bool measure,
                          const ProgressHook& progress) {
    TranscodeResult result;
    Pipeline pipeline;
    result.error = pipeline.Open(input, settings, measure);
    if (!result.error.empty()) return result;
    const AVCodecContext& codec = pipeline.Output().Context();
    result.rate = codec.sample_rate;
    result.channels = codec.ch_layout.nb_channels;
    Muxer muxer;
    result.error = muxer.Open(output, pipeline.Output().Container(), codec);
    if (result.error.empty())
        result.error = pipeline.Run(
            0, -1, [&](AVPacket* packet) { return muxer.Write(packet); }, progress);
    if (result.error.empty()) result.error = muxer.Finish();
    result.frames = pipeline.FramesEncoded();
    if (const Loudness* loudness = pipeline.Measured()) {
        result.measured = true;
        result.loudness = *loudness;
    }
    return result;
}

std::string MeasureFile(const std::string& path, Loudness& out) {
    AudioSource source;
    const std::string problem = source.Open(path);
    if (!problem.empty()) return "the output cannot be measured (" + problem + ")";
    LoudnessMeter meter(source.Rate(), source.Layout());
    while (const AVFrame* frame = source.Next())
        if (frame->ch_layout.nb_channels == source.Layout().nb_channels) meter.Add(*frame);
    if (!source.ReadError().empty())
        return "the output cannot be measured (" + source.ReadError() + ")";
    out = meter.Result();
    return "";
}

}  // namespace sonavert::encode
