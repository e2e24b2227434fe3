#include "pipeline.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace sonavert::encode {

Pipeline::~Pipeline() {
    if (converted_) av_freep(&converted_[0]);
    av_freep(&converted_);
}

std::string Pipeline::Open(const std::string& input, const EncodeSettings& settings, bool measure) {
    av_log_set_level(AV_LOG_QUIET);  // failures come back as reasons, not on stderr
    std::string problem = source_.Open(input);
    if (!problem.empty()) return "the input cannot be decoded (" + problem + ")";
    SourceShape shape{source_.Rate(), source_.Layout(), source_.LosslessBits()};
    problem = encoder_.Open(settings, shape);
    if (!problem.empty()) return problem;
    problem = SetUpResampler();
    if (!problem.empty()) return problem;
    const AVCodecContext& codec = encoder_.Context();
    if (measure) meter_.emplace(codec.sample_rate, codec.ch_layout);
    return "";
}

std::string Pipeline::SetUpResampler() {
    const AVCodecContext& codec = encoder_.Context();
    SwrContext* raw = nullptr;
    // FFmpeg 5 takes the layouts without const; it only reads them.
    int result =
        swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout*>(&codec.ch_layout), codec.sample_fmt,
                            codec.sample_rate, const_cast<AVChannelLayout*>(&source_.Layout()),
                            source_.SampleFormat(), source_.Rate(), 0, nullptr);
    resampler_.reset(raw);
    if (result < 0) return ErrorText(result);
    // soxr at 28 bits (as sox's "very high" quality) when the rate changes.
    av_opt_set(raw, "resampler", "soxr", 0);
    av_opt_set_int(raw, "precision", 28, 0);
    // A mono source made stereo plays the same in both channels at its own
    // level, as the library's reader makes it (the resampler would spread it
    // 3 dB down, as a centre channel).
    const double monoToStereo[2] = {1.0, 1.0};
    if (source_.Layout().nb_channels == 1 && codec.ch_layout.nb_channels == 2)
        swr_set_matrix(raw, monoToStereo, 1);
    if ((result = swr_init(raw)) < 0) return "the resampler cannot start: " + ErrorText(result);
    fifo_.reset(av_audio_fifo_alloc(codec.sample_fmt, codec.ch_layout.nb_channels,
                                    encoder_.FrameSamples()));
    frame_.reset(av_frame_alloc());
    return fifo_ && frame_ ? "" : "out of memory";
}

// Converts `samples` samples of `frame` (null: the resampler's tail) into the fifo.
std::string Pipeline::Push(const AVFrame* frame, int samples, const PacketSink& sink) {
    const AVCodecContext& codec = encoder_.Context();
    const int needed = swr_get_out_samples(resampler_.get(), samples);
    if (needed > capacity_) {
        if (converted_) av_freep(&converted_[0]);
        av_freep(&converted_);
        const int result = av_samples_alloc_array_and_samples(
            &converted_, nullptr, codec.ch_layout.nb_channels, needed, codec.sample_fmt, 0);
        if (result < 0) return ErrorText(result);
        capacity_ = needed;
    }
    const int made =
        swr_convert(resampler_.get(), converted_, capacity_,
                    frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, samples);
    if (made < 0) return ErrorText(made);
    if (made > 0 &&
        av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_), made) < made)
        return "out of memory";
    return Drain(false, sink);
}

// Encodes whole encoder frames from the fifo (`all`: the last, short one too).
std::string Pipeline::Drain(bool all, const PacketSink& sink) {
    const AVCodecContext& codec = encoder_.Context();
    const int size = encoder_.FrameSamples();
    while (av_audio_fifo_size(fifo_.get()) >= size ||
           (all && av_audio_fifo_size(fifo_.get()) > 0)) {
        AVFrame* frame = frame_.get();
        av_frame_unref(frame);
        frame->nb_samples = std::min(size, av_audio_fifo_size(fifo_.get()));
        frame->format = codec.sample_fmt;
        frame->sample_rate = codec.sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &codec.ch_layout);
        int result = av_frame_get_buffer(frame, 0);
        if (result < 0) return ErrorText(result);
        av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data),
                           frame->nb_samples);
        frame->pts = encoded_;
        encoded_ += frame->nb_samples;
        if (meter_) {
            const int64_t first = std::max<int64_t>(0, measureFrom_ - frame->pts);
            const int64_t end = std::min<int64_t>(frame->nb_samples, measureTo_ - frame->pts);
            if (end > first)
                meter_->Add(*frame, static_cast<int>(first), static_cast<int>(end - first));
        }
        const std::string problem = encoder_.Encode(frame, sink);
        if (!problem.empty()) return problem;
    }
    return "";
}

std::string Pipeline::Run(int64_t from, int64_t to, const PacketSink& sink,
                          const ProgressHook& progress) {
    if (from > 0 && !source_.SeekToSample(from)) return "the input cannot seek";
    const int64_t length = to >= 0 ? to - from : source_.DurationSamples() - from;
    int reported = -1;
    for (;;) {
        const int64_t before = source_.Position();
        if (to >= 0 && before >= to) break;
        const AVFrame* frame = source_.Next();
        if (!frame) break;
        int samples = frame->nb_samples;
        if (to >= 0 && before + samples > to) samples = static_cast<int>(to - before);
        std::string problem = Push(frame, samples, sink);
        if (!problem.empty()) return problem;
        const int percent =
            length > 0 ? static_cast<int>(std::min<int64_t>(100, (before - from) * 100 / length))
                       : 0;
        if (progress && percent != reported) {
            reported = percent;
            if (!progress(percent)) return "interrupted";
        }
    }
    if (!source_.ReadError().empty())
        return "the input cannot be read (" + source_.ReadError() + ")";
    std::string problem = Push(nullptr, 0, sink);
    if (problem.empty()) problem = Drain(true, sink);
    if (problem.empty()) problem = encoder_.Encode(nullptr, sink);
    if (problem.empty() && encoded_ == 0) problem = "the input holds no audio";
    return problem;
}

}  // namespace sonavert::encode
