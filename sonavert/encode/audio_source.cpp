#include "audio_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

namespace sonavert::encode {

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    if (text[0] >= 'A' && text[0] <= 'Z' && !(text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string AudioSource::Open(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";  // never a FIFO or device
    AVFormatContext* raw = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = (path[0] == '/' ? "file:" : "file:./") + path;
    int result = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0) return ErrorText(result);
    format_.reset(raw);
    if ((result = avformat_find_stream_info(raw, nullptr)) < 0) return ErrorText(result);
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return "no audio stream that can be decoded";
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        if (static_cast<int>(i) != stream_) raw->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = raw->streams[stream_];
    codec_.reset(avcodec_alloc_context3(decoder));
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!codec_ || !packet_ || !frame_) return "out of memory";
    if ((result = avcodec_parameters_to_context(codec_.get(), stream->codecpar)) < 0)
        return ErrorText(result);
    codec_->pkt_timebase = stream->time_base;
    if ((result = avcodec_open2(codec_.get(), decoder, nullptr)) < 0) return ErrorText(result);
    if (codec_->sample_rate <= 0 || codec_->ch_layout.nb_channels <= 0)
        return "the audio stream has no rate or channels";
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        const int channels = codec_->ch_layout.nb_channels;
        av_channel_layout_uninit(&codec_->ch_layout);
        av_channel_layout_default(&codec_->ch_layout, channels);
    }
    return "";
}

int AudioSource::LosslessBits() const {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec_->codec_id);
    if (!descriptor || !(descriptor->props & AV_CODEC_PROP_LOSSLESS)) return 0;
    if (codec_->bits_per_raw_sample > 0) return codec_->bits_per_raw_sample;
    return av_get_bytes_per_sample(codec_->sample_fmt) * 8;
}

int64_t AudioSource::DurationSamples() const {
    const AVStream* stream = format_->streams[stream_];
    const AVRational perSample{1, Rate()};
    if (stream->duration > 0) return av_rescale_q(stream->duration, stream->time_base, perSample);
    if (format_->duration > 0) return av_rescale_q(format_->duration, AV_TIME_BASE_Q, perSample);
    return 0;
}

bool AudioSource::SampleExact() const {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec_->codec_id);
    const bool pcm =
        codec_->codec_id >= AV_CODEC_ID_FIRST_AUDIO && codec_->codec_id < AV_CODEC_ID_ADPCM_IMA_QT;
    return descriptor && (pcm || codec_->codec_id == AV_CODEC_ID_FLAC);
}

bool AudioSource::SeekToSample(int64_t position) {
    const AVStream* stream = format_->streams[stream_];
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t ts = start + av_rescale_q(position, AVRational{1, Rate()}, stream->time_base);
    if (av_seek_frame(format_.get(), stream_, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(codec_.get());
    draining_ = false;
    position_ = position;
    seeking_ = true;
    return true;
}

// Decodes the next frame into frame_; false at the end of the stream.
bool AudioSource::Receive() {
    av_frame_unref(frame_.get());
    for (;;) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == 0) return true;
        if (received == AVERROR_EOF) return false;
        if (received != AVERROR(EAGAIN)) continue;  // a damaged packet: go on with the next
        if (draining_) return false;
        const int read = av_read_frame(format_.get(), packet_.get());
        if (read < 0) {
            if (read != AVERROR_EOF) readError_ = ErrorText(read);
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            continue;
        }
        if (packet_->stream_index == stream_) avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
    }
}

// After a seek, cuts from the frame the samples that lie before the target.
void AudioSource::TrimToTarget() {
    const AVStream* stream = format_->streams[stream_];
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t ts = frame_->best_effort_timestamp;
    const int64_t at = ts == AV_NOPTS_VALUE
                           ? position_
                           : av_rescale_q(ts - start, stream->time_base, AVRational{1, Rate()});
    int64_t cut = position_ - at;
    if (cut <= 0) {
        seeking_ = false;
        return;
    }
    if (cut >= frame_->nb_samples) {
        frame_->nb_samples = 0;
        return;
    }
    const int bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame_->format));
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame_->format));
    const int planes = planar ? frame_->ch_layout.nb_channels : 1;
    const int64_t offset = cut * bytes * (planar ? 1 : frame_->ch_layout.nb_channels);
    for (int p = 0; p < planes; ++p) frame_->extended_data[p] += offset;
    frame_->nb_samples -= static_cast<int>(cut);
    seeking_ = false;
}

const AVFrame* AudioSource::Next() {
    for (;;) {
        if (!Receive()) return nullptr;
        if (seeking_) TrimToTarget();
        if (frame_->nb_samples <= 0) continue;
        position_ += frame_->nb_samples;
        return frame_.get();
    }
}

}  // namespace sonavert::encode
