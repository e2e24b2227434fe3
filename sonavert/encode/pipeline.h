// Decoded audio brought to an encoder's rate, channels and sample format
// (libswresample, soxr engine) and encoded in the encoder's frame size.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio_source.h"
#include "encoder.h"
#include "loudness.h"

namespace sonavert::encode {

using PacketSink = std::function<std::string(AVPacket*)>;
// Told the percentage done; false asks to stop.
using ProgressHook = std::function<bool(int percent)>;

class Pipeline {
  public:
    Pipeline() = default;
    ~Pipeline();
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // Opens the input and the encoder. "" or why not.
    std::string Open(const std::string& input, const EncodeSettings& settings, bool measure);

    AudioSource& Source() { return source_; }
    Encoder& Output() { return encoder_; }

    // Encodes the source's samples from `from` up to `to` (-1: the end) and
    // flushes the encoder; packets are timed from `from`. "" or why not
    // ("interrupted" when the hook asked to stop).
    std::string Run(int64_t from, int64_t to, const PacketSink& sink, const ProgressHook& progress);

    // Measures only the encoded samples from `from` up to `to` (counted as
    // Run's packets are timed), as when parts of one file are encoded apart.
    void MeasureOnly(int64_t from, int64_t to) { measureFrom_ = from, measureTo_ = to; }

    int64_t FramesEncoded() const { return encoded_; }
    const Loudness* Measured() const { return meter_ ? &meter_->Result() : nullptr; }

  private:
    std::string SetUpResampler();
    std::string Push(const AVFrame* frame, int samples, const PacketSink& sink);
    std::string Drain(bool all, const PacketSink& sink);

    AudioSource source_;
    Encoder encoder_;
    ResamplerPtr resampler_;
    FifoPtr fifo_;
    FramePtr frame_;
    uint8_t** converted_ = nullptr;  // swr's output, `capacity_` samples per channel
    int capacity_ = 0;
    int64_t encoded_ = 0;
    std::optional<LoudnessMeter> meter_;
    int64_t measureFrom_ = 0, measureTo_ = INT64_MAX;
};

}  // namespace sonavert::encode
