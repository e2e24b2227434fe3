// MediaDecoder on libavformat + libavcodec + libswresample.
#include <cstdio>

#include "media/ffmpeg_api.h"
#include "media/media_decoder.h"
#include "util/regular_file.h"

namespace tonekit::media {
namespace {

// Why the last open on this thread failed. A plain array: a thread_local
// with a destructor would have that destructor run at exit from a library
// that may already be unloaded.
thread_local char t_lastError[160];

void KeepError(const char* text) {
    std::snprintf(t_lastError, sizeof t_lastError, "%s", text);
}

// Keeps FFmpeg's text for `code`; false, for the caller to return.
bool Fail(const FfmpegApi& ff, int code) {
    char text[128] = "";
    if (ff.av_strerror(code, text, sizeof text) < 0 || !text[0]) return false;
    KeepError(text);
    return false;
}

bool Fail(const char* reason) {
    KeepError(reason);
    return false;
}

class FfmpegDecoder final : public MediaDecoder {
  public:
    explicit FfmpegDecoder(const FfmpegApi& ff) : ff_(ff) {}
    ~FfmpegDecoder() override;

    bool Open(const char* path);
    uint64_t Duration() const override { return duration_; }
    const WaveFormatEx& Format() const override { return format_; }
    void Seek(uint64_t time) override;
    bool NextBlock(std::vector<uint8_t>& pcm, uint64_t& time) override;

  private:
    bool ConfigureResampler(const AVFrame& frame);
    void Convert(const AVFrame* frame, std::vector<uint8_t>& pcm);
    bool FeedDecoder();
    bool DecodeFrame();
    uint64_t TimestampTicks(const AVFrame& frame) const;
    uint64_t FrameStartTicks(const AVFrame& frame) const;
    void DropLeadIn(std::vector<uint8_t>& pcm);

    const FfmpegApi& ff_;
    AVFormatContext* format_ctx_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    WaveFormatEx format_{};
    uint64_t duration_ = 0;
    uint64_t start_ = 0;      // time of the first frame delivered after open or seek
    uint64_t framesOut_ = 0;  // frames delivered since then
    bool draining_ = false;   // the decoder has been told the input ended
    bool finished_ = false;
    bool pending_ = false;     // frame_ holds a decoded frame not yet delivered
    uint64_t firstTicks_ = 0;  // the timestamp of the stream's first decoded frame
    // After a seek: the first frame decoded tells how much lies before start_.
    bool measureLeadIn_ = false;
    uint64_t leadInFrames_ = 0;  // output frames still to drop
    // The input format the resampler was set up for.
    int inFormat_ = -1, inRate_ = 0, inChannels_ = 0;
};

FfmpegDecoder::~FfmpegDecoder() {
    ff_.swr_free(&swr_);
    ff_.av_frame_free(&frame_);
    ff_.av_packet_free(&packet_);
    ff_.avcodec_free_context(&codec_);
    if (format_ctx_) ff_.avformat_close_input(&format_ctx_);
}

bool FfmpegDecoder::Open(const char* path) {
    const std::string url = FileUrl(path);
    AVDictionary* options = FileProtocolOnly(ff_);
    const int opened =
        url.empty() ? -1 : ff_.avformat_open_input(&format_ctx_, url.c_str(), nullptr, &options);
    ff_.av_dict_free(&options);
    if (opened < 0) return Fail(ff_, opened);
    if (const int found = ff_.avformat_find_stream_info(format_ctx_, nullptr); found < 0)
        return Fail(ff_, found);
    const AVCodec* decoder = nullptr;
    stream_ = ff_.av_find_best_stream(format_ctx_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return Fail(stream_ < 0 ? "no audio stream" : "no decoder");
    const AVStream* stream = format_ctx_->streams[stream_];
    codec_ = ff_.avcodec_alloc_context3(decoder);
    if (!codec_ || ff_.avcodec_parameters_to_context(codec_, stream->codecpar) < 0) return false;
    codec_->pkt_timebase = stream->time_base;  // frames are timed as the packets are
    if (ff_.avcodec_open2(codec_, decoder, nullptr) < 0) return false;
    packet_ = ff_.av_packet_alloc();
    frame_ = ff_.av_frame_alloc();
    if (!packet_ || !frame_) return false;
    // A file opens only when its audio decodes. The first frame's timestamp is
    // where the stream's own time starts, whatever the container counts from.
    pending_ = DecodeFrame();
    if (!pending_) return Fail("no audio could be decoded");
    firstTicks_ = TimestampTicks(*frame_);

    const uint16_t channels = codec_->ch_layout.nb_channels == 1 ? 1 : 2;
    format_ = WaveFormatEx{
        1,  channels, kOutputRate, kOutputRate * channels * 2, static_cast<uint16_t>(channels * 2),
        16, 0};
    if (format_ctx_->duration != AV_NOPTS_VALUE && format_ctx_->duration > 0) {
        duration_ = static_cast<uint64_t>(format_ctx_->duration) * (kTicksPerSecond / AV_TIME_BASE);
    } else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        duration_ =
            static_cast<uint64_t>(stream->duration * av_q2d(stream->time_base) * kTicksPerSecond);
    }
    return true;
}

// Seeks a little before `time`, so that a decoder that needs earlier frames
// (MP3's bit reservoir) has them, then drops the decoded audio before `time`.
// Seek is only called right after opening: where the file cannot seek, reading
// goes on from its first frame and drops everything before `time`.
void FfmpegDecoder::Seek(uint64_t time) {
    constexpr uint64_t kPreRoll = kTicksPerSecond / 5;
    const uint64_t from = firstTicks_ + (time > kPreRoll ? time - kPreRoll : 0);
    const int64_t target = static_cast<int64_t>(from / (kTicksPerSecond / AV_TIME_BASE));
    if (ff_.av_seek_frame(format_ctx_, -1, target, AVSEEK_FLAG_BACKWARD) >= 0) {
        ff_.avcodec_flush_buffers(codec_);
        ff_.swr_free(&swr_);
        inFormat_ = -1;
        draining_ = finished_ = pending_ = false;
    }
    start_ = time;
    framesOut_ = 0;
    measureLeadIn_ = true;
    leadInFrames_ = 0;
}

// A frame's timestamp in 100-ns units; 0 when it has none.
uint64_t FfmpegDecoder::TimestampTicks(const AVFrame& frame) const {
    int64_t ts = frame.best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame.pts;
    if (ts == AV_NOPTS_VALUE) return 0;
    const double seconds =
        static_cast<double>(ts) * av_q2d(format_ctx_->streams[stream_]->time_base);
    return seconds > 0 ? static_cast<uint64_t>(seconds * kTicksPerSecond + 0.5) : 0;
}

// Where a decoded frame's first sample lies from the start of the stream.
// Containers that time packets more coarsely than one sample (ASF counts
// milliseconds) put a frame on the nearest whole number of its own lengths
// from the first one: such codecs decode frames of one fixed length.
uint64_t FfmpegDecoder::FrameStartTicks(const AVFrame& frame) const {
    const uint64_t at = TimestampTicks(frame);
    const uint64_t ticks = at > firstTicks_ ? at - firstTicks_ : 0;
    const int64_t size = frame.nb_samples, rate = frame.sample_rate;
    const double tick = av_q2d(format_ctx_->streams[stream_]->time_base);
    if (size <= 0 || rate <= 0 || tick * static_cast<double>(rate) <= 1.0) return ticks;
    const double frames = static_cast<double>(ticks) * rate / kTicksPerSecond / size;
    const auto whole = static_cast<uint64_t>(frames + 0.5);
    return whole * static_cast<uint64_t>(size) * kTicksPerSecond / static_cast<uint64_t>(rate);
}

void FfmpegDecoder::DropLeadIn(std::vector<uint8_t>& pcm) {
    const uint64_t frames = pcm.size() / format_.blockAlign;
    const uint64_t drop = leadInFrames_ < frames ? leadInFrames_ : frames;
    pcm.erase(pcm.begin(), pcm.begin() + static_cast<ptrdiff_t>(drop * format_.blockAlign));
    leadInFrames_ -= drop;
}

bool FfmpegDecoder::ConfigureResampler(const AVFrame& frame) {
    if (swr_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
        frame.ch_layout.nb_channels == inChannels_)
        return true;
    ff_.swr_free(&swr_);
    AVChannelLayout in{}, out{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0)
        ff_.av_channel_layout_default(
            &in, frame.ch_layout.nb_channels ? frame.ch_layout.nb_channels : 2);
    else
        ff_.av_channel_layout_copy(&in, &frame.ch_layout);
    ff_.av_channel_layout_default(&out, format_.channels);
    int result = ff_.swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, kOutputRate, &in,
                                         static_cast<AVSampleFormat>(frame.format),
                                         frame.sample_rate, 0, nullptr);
    ff_.av_channel_layout_uninit(&in);
    ff_.av_channel_layout_uninit(&out);
    if (result < 0) return false;
    // High-quality rate conversion where the build offers it.
    ff_.av_opt_set(swr_, "resampler", "soxr", 0);
    if (ff_.swr_init(swr_) < 0) {
        ff_.av_opt_set(swr_, "resampler", "swr", 0);
        if (ff_.swr_init(swr_) < 0) return false;
    }
    inFormat_ = frame.format;
    inRate_ = frame.sample_rate;
    inChannels_ = frame.ch_layout.nb_channels;
    return true;
}

// Appends the resampled frames of `frame` (null: what the resampler holds back).
void FfmpegDecoder::Convert(const AVFrame* frame, std::vector<uint8_t>& pcm) {
    if (!swr_) return;
    const int inSamples = frame ? frame->nb_samples : 0;
    const int capacity = ff_.swr_get_out_samples(swr_, inSamples);
    if (capacity <= 0) return;
    const size_t used = pcm.size();
    pcm.resize(used + static_cast<size_t>(capacity) * format_.blockAlign);
    uint8_t* out[1] = {pcm.data() + used};
    const int n = ff_.swr_convert(
        swr_, out, capacity, frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
        inSamples);
    pcm.resize(used + static_cast<size_t>(n > 0 ? n : 0) * format_.blockAlign);
}

// Sends the next packet of our stream, or the end of input; false when there is
// nothing more to send.
bool FfmpegDecoder::FeedDecoder() {
    while (!draining_) {
        if (ff_.av_read_frame(format_ctx_, packet_) < 0) {
            ff_.avcodec_send_packet(codec_, nullptr);
            draining_ = true;
            return true;
        }
        const bool ours = packet_->stream_index == stream_;
        // A damaged packet is dropped; decoding goes on with the next one.
        if (ours) ff_.avcodec_send_packet(codec_, packet_);
        ff_.av_packet_unref(packet_);
        if (ours) return true;
    }
    return false;
}

// Decodes the next frame into frame_; false at the end of the stream.
bool FfmpegDecoder::DecodeFrame() {
    for (;;) {
        const int r = ff_.avcodec_receive_frame(codec_, frame_);
        if (r == 0) return true;
        if (r != AVERROR(EAGAIN) || !FeedDecoder()) return false;
    }
}

bool FfmpegDecoder::NextBlock(std::vector<uint8_t>& pcm, uint64_t& time) {
    pcm.clear();
    while (!finished_) {
        if (pending_ || DecodeFrame()) {
            pending_ = false;
            if (measureLeadIn_) {
                const uint64_t at = FrameStartTicks(*frame_);
                const uint64_t early = start_ > at ? start_ - at : 0;
                leadInFrames_ = (early * kOutputRate + kTicksPerSecond / 2) / kTicksPerSecond;
                measureLeadIn_ = false;
            }
            if (ConfigureResampler(*frame_)) Convert(frame_, pcm);
            ff_.av_frame_unref(frame_);
        } else {
            Convert(nullptr, pcm);  // the resampler's tail
            finished_ = true;
        }
        DropLeadIn(pcm);
        if (!pcm.empty()) {
            time = start_ + framesOut_ * kTicksPerSecond / kOutputRate;
            framesOut_ += pcm.size() / format_.blockAlign;
            return true;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<MediaDecoder> OpenMediaDecoder(const char* path) {
    KeepError("");
    if (!util::IsRegularFile(path)) return nullptr;  // never a FIFO, device or folder
    const FfmpegApi* ff = Ffmpeg();
    if (!ff) return nullptr;
    auto decoder = std::make_unique<FfmpegDecoder>(*ff);
    KeepError("the file cannot be opened");
    if (!decoder->Open(path)) return nullptr;
    KeepError("");
    return decoder;
}

const char* LastDecoderError() {
    return t_lastError;
}

}  // namespace tonekit::media
