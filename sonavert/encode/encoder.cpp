#include "encoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cstring>

namespace sonavert::encode {
namespace {

struct FormatEntry {
    const char* format;
    const char* encoder;
    const char* container;
};
constexpr FormatEntry kFormats[] = {
    {"mp3", "libmp3lame", "mp3"}, {"flac", "flac", "flac"}, {"opus", "libopus", "opus"},
    {"ogg", "libvorbis", "ogg"},  {"m4a", "aac", "ipod"},
};
constexpr int kMaxFlacBits = 24;

// Vorbis's quality scale against the stereo bit rates it is known by; a
// quality always suits the rate and channels, where libvorbis refuses many
// bit rates (96 kbit/s mono at 22,050 Hz).
double VorbisQuality(int kbps) {
    constexpr int kRates[] = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 500};
    if (kbps <= kRates[0]) return 0;
    for (int q = 1; q < 11; ++q)
        if (kbps <= kRates[q])
            return q - 1 + double(kbps - kRates[q - 1]) / (kRates[q] - kRates[q - 1]);
    return 10;
}
constexpr int kVariableFrameSamples = 4096;

const FormatEntry* Find(const std::string& format) {
    for (const auto& entry : kFormats)
        if (format == entry.format) return &entry;
    return nullptr;
}

bool Listed(const int* rates, int rate) {
    for (; rates && *rates; ++rates)
        if (*rates == rate) return true;
    return !rates;
}

bool LayoutTaken(const AVCodec* encoder, const AVChannelLayout& layout) {
    if (!encoder->ch_layouts) return true;
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l)
        if (av_channel_layout_compare(l, &layout) == 0) return true;
    return false;
}

bool SampleFormatTaken(const AVCodec* encoder, AVSampleFormat format) {
    for (const AVSampleFormat* f = encoder->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == format) return true;
    return false;
}

}  // namespace

std::string Encoder::ChooseRate(const EncodeSettings& settings, const SourceShape& source) {
    const int* rates = encoder_->supported_samplerates;
    if (settings.rate > 0) {
        if (!Listed(rates, settings.rate) || settings.rate > 655350)
            return settings.format + " cannot be made at " + std::to_string(settings.rate) + " Hz";
        codec_->sample_rate = settings.rate;
        return "";
    }
    int rate = settings.format == "mp3" ? 44100 : source.rate;
    if (!Listed(rates, rate)) {
        // Opus runs at 48 kHz inside; other encoders take the nearest rate above.
        int above = 0, highest = 0;
        for (const int* r = rates; *r; ++r) {
            if (*r >= rate && (!above || *r < above)) above = *r;
            if (*r > highest) highest = *r;
        }
        rate = settings.format == "opus" ? 48000 : above ? above : highest;
    }
    codec_->sample_rate = rate;
    return "";
}

std::string Encoder::ChooseChannels(const EncodeSettings& settings, const SourceShape& source) {
    const int count = settings.channels > 0      ? settings.channels
                      : settings.format == "mp3" ? 2
                                                 : source.layout.nb_channels;
    const int most = settings.format == "mp3" ? 2 : 8;
    const std::string refused =
        settings.format + " cannot take " + std::to_string(count) + " channels";
    if (count > most) return refused;
    AVChannelLayout layout{};
    if (count == source.layout.nb_channels && source.layout.order == AV_CHANNEL_ORDER_NATIVE &&
        LayoutTaken(encoder_, source.layout))
        av_channel_layout_copy(&layout, &source.layout);
    else
        av_channel_layout_default(&layout, count);
    // An encoder with a list of layouts (AAC, Opus) takes its own layout of
    // that many channels; the resampler maps the source's onto it.
    for (const AVChannelLayout* l = encoder_->ch_layouts;
         l && l->nb_channels && !LayoutTaken(encoder_, layout); ++l)
        if (l->nb_channels == count) {
            av_channel_layout_uninit(&layout);
            av_channel_layout_copy(&layout, l);
        }
    if (!LayoutTaken(encoder_, layout)) return refused;
    av_channel_layout_uninit(&codec_->ch_layout);
    codec_->ch_layout = layout;
    return "";
}

std::string Encoder::Open(const EncodeSettings& settings, const SourceShape& source) {
    const FormatEntry* entry = Find(settings.format);
    if (!entry) return "unknown output format " + settings.format;
    container_ = entry->container;
    encoder_ = avcodec_find_encoder_by_name(entry->encoder);
    if (!encoder_) return std::string("FFmpeg has no ") + entry->encoder + " encoder";
    codec_.reset(avcodec_alloc_context3(encoder_));
    packet_.reset(av_packet_alloc());
    if (!codec_ || !packet_) return "out of memory";
    std::string problem = ChooseRate(settings, source);
    if (problem.empty()) problem = ChooseChannels(settings, source);
    if (!problem.empty()) return problem;
    codec_->time_base = AVRational{1, codec_->sample_rate};

    if (settings.format == "flac") {
        const int bits = source.losslessBits > 16 ? kMaxFlacBits : 16;
        codec_->sample_fmt = bits > 16 ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
        codec_->bits_per_raw_sample = bits;
    } else {
        codec_->sample_fmt = encoder_->sample_fmts[0];
        for (AVSampleFormat preferred : {AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_FLTP})
            if (SampleFormatTaken(encoder_, preferred)) codec_->sample_fmt = preferred;
        codec_->bit_rate = static_cast<int64_t>(settings.bitrate) * 1000;
    }
    if (settings.format == "ogg") {
        codec_->bit_rate = 0;
        codec_->flags |= AV_CODEC_FLAG_QSCALE;
        codec_->global_quality = static_cast<int>(VorbisQuality(settings.bitrate) * FF_QP2LAMBDA);
    }
    if (settings.format == "mp3") {
        if (settings.quality >= 0) {
            codec_->flags |= AV_CODEC_FLAG_QSCALE;
            codec_->global_quality = settings.quality * FF_QP2LAMBDA;
        } else {
            // Frames that stand alone, left and right coded apart, as the
            // window's encoder makes them.
            av_opt_set_int(codec_->priv_data, "reservoir", 0, 0);
            av_opt_set_int(codec_->priv_data, "joint_stereo", 0, 0);
        }
    }
    const AVOutputFormat* container = av_guess_format(container_, nullptr, nullptr);
    if (container && (container->flags & AVFMT_GLOBALHEADER))
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int result = avcodec_open2(codec_.get(), encoder_, nullptr);
    return result < 0 ? ErrorText(result) : "";
}

int Encoder::FrameSamples() const {
    const bool variable = encoder_->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    return codec_->frame_size > 0 && !variable ? codec_->frame_size : kVariableFrameSamples;
}

std::string Encoder::Encode(const AVFrame* frame,
                            const std::function<std::string(AVPacket*)>& sink) {
    int result = avcodec_send_frame(codec_.get(), frame);
    if (result < 0) return ErrorText(result);
    for (;;) {
        result = avcodec_receive_packet(codec_.get(), packet_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return "";
        if (result < 0) return ErrorText(result);
        const std::string problem = sink(packet_.get());
        av_packet_unref(packet_.get());
        if (!problem.empty()) return problem;
    }
}

}  // namespace sonavert::encode
