// An input file decoded by FFmpeg, frame by frame, in the decoder's own
// sample format, rate and channels.
#pragma once

#include <cstdint>
#include <string>

#include "ffmpeg_handles.h"

namespace sonavert::encode {

class AudioSource {
  public:
    // "" when `path` opened and its first audio stream decodes, else why not.
    std::string Open(const std::string& path);

    int Rate() const { return codec_->sample_rate; }
    const AVChannelLayout& Layout() const { return codec_->ch_layout; }
    AVSampleFormat SampleFormat() const { return codec_->sample_fmt; }
    // Bits per sample of a lossless source (32 for floating point); 0 for a lossy one.
    int LosslessBits() const;
    // The container's length in samples, 0 when it does not say.
    int64_t DurationSamples() const;
    // True when the stream's timestamps count every sample exactly (PCM, FLAC),
    // so a seek lands on a given sample.
    bool SampleExact() const;

    // Moves reading to sample `position`; false when the file cannot seek.
    bool SeekToSample(int64_t position);

    // The next decoded frame, its leading samples before a seek target cut
    // away; null at the end. A damaged packet is skipped. The frame stays
    // valid until the next call.
    const AVFrame* Next();
    // The samples delivered so far, counted from the start of the stream.
    int64_t Position() const { return position_; }
    // Decoding stopped on a read error rather than at the end of the file.
    const std::string& ReadError() const { return readError_; }

  private:
    bool Receive();
    void TrimToTarget();

    InputPtr format_;
    CodecPtr codec_;
    PacketPtr packet_;
    FramePtr frame_;
    int stream_ = -1;
    bool draining_ = false;
    int64_t position_ = 0;  // samples delivered, or the seek target before the first frame
    bool seeking_ = false;  // position_ is a target still to reach
    std::string readError_;
};

}  // namespace sonavert::encode
