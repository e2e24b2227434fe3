// One of FFmpeg's audio encoders set up for an output format: the rate,
// channels and sample format it takes, chosen from the source's and the
// settings.
#pragma once

#include <functional>
#include <string>

#include "encode_settings.h"
#include "ffmpeg_handles.h"

namespace sonavert::encode {

// What the encoder is told about its source.
struct SourceShape {
    int rate = 0;
    AVChannelLayout layout{};
    int losslessBits = 0;  // 0: lossy or floating-point source
};

class Encoder {
  public:
    // "" when the encoder is ready, else why not (a rate or channel count the
    // format cannot take, a missing encoder).
    std::string Open(const EncodeSettings& settings, const SourceShape& source);

    const AVCodecContext& Context() const { return *codec_; }
    // Samples per frame the encoder takes; every frame but the last has this many.
    int FrameSamples() const;
    // The container FFmpeg writes this format in.
    const char* Container() const { return container_; }

    // Encodes `frame` (null: the end) and hands every packet made to `sink`.
    std::string Encode(const AVFrame* frame, const std::function<std::string(AVPacket*)>& sink);

  private:
    std::string ChooseRate(const EncodeSettings& settings, const SourceShape& source);
    std::string ChooseChannels(const EncodeSettings& settings, const SourceShape& source);

    CodecPtr codec_;
    PacketPtr packet_;
    const AVCodec* encoder_ = nullptr;
    const char* container_ = "";
};

}  // namespace sonavert::encode
