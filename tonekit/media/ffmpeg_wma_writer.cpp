// WmaWriter on FFmpeg's wmav2 encoder and ASF muxer.
#include <string>
#include <vector>

#include "media/ffmpeg_api.h"
#include "media/media_decoder.h"
#include "util/little_endian.h"

namespace tonekit::media {
namespace {

class FfmpegWmaWriter final : public WmaWriter {
  public:
    explicit FfmpegWmaWriter(const FfmpegApi& ff) : ff_(ff) {}
    ~FfmpegWmaWriter() override;

    bool Open(const char* path, int64_t bitsPerSecond);
    bool WriteBlock(const uint8_t* pcm, size_t bytes, uint64_t time) override;
    bool Finish() override;

  private:
    bool QueueSilence(int frames);
    bool EncodeQueued(bool final);
    bool SendFrame(const AVFrame* frame);

    const FfmpegApi& ff_;
    AVFormatContext* out_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVStream* stream_ = nullptr;
    AVAudioFifo* queue_ = nullptr;  // planar float samples waiting for a whole frame
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::vector<float> left_, right_;
    int64_t nextPts_ = 0;
    bool headerWritten_ = false;
    bool failed_ = false;
};

FfmpegWmaWriter::~FfmpegWmaWriter() {
    if (out_ && out_->pb) ff_.avio_closep(&out_->pb);
    ff_.avformat_free_context(out_);
    ff_.avcodec_free_context(&encoder_);
    if (queue_) ff_.av_audio_fifo_free(queue_);
    ff_.av_frame_free(&frame_);
    ff_.av_packet_free(&packet_);
}

bool FfmpegWmaWriter::Open(const char* path, int64_t bitsPerSecond) {
    const AVCodec* codec = ff_.avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    const std::string url = FileUrl(path);
    if (!codec || url.empty() ||
        ff_.avformat_alloc_output_context2(&out_, nullptr, "asf", url.c_str()) < 0)
        return false;
    encoder_ = ff_.avcodec_alloc_context3(codec);
    stream_ = ff_.avformat_new_stream(out_, nullptr);
    if (!encoder_ || !stream_) return false;
    encoder_->sample_rate = kOutputRate;
    encoder_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder_->bit_rate = bitsPerSecond;
    encoder_->time_base = AVRational{1, static_cast<int>(kOutputRate)};
    ff_.av_channel_layout_default(&encoder_->ch_layout, 2);
    if (out_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (ff_.avcodec_open2(encoder_, codec, nullptr) < 0) return false;
    if (ff_.avcodec_parameters_from_context(stream_->codecpar, encoder_) < 0) return false;
    stream_->time_base = encoder_->time_base;

    queue_ = ff_.av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, encoder_->frame_size * 4);
    frame_ = ff_.av_frame_alloc();
    packet_ = ff_.av_packet_alloc();
    if (!queue_ || !frame_ || !packet_) return false;
    frame_->nb_samples = encoder_->frame_size;
    frame_->format = AV_SAMPLE_FMT_FLTP;
    frame_->sample_rate = kOutputRate;
    ff_.av_channel_layout_default(&frame_->ch_layout, 2);
    if (ff_.av_frame_get_buffer(frame_, 0) < 0) return false;

    // The encoder's first frame does not come back when decoded: a frame of
    // silence ahead of the audio keeps every source frame in the output.
    if (!QueueSilence(encoder_->frame_size)) return false;
    AVDictionary* options = FileProtocolOnly(ff_);
    const int opened = ff_.avio_open2(&out_->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &options);
    ff_.av_dict_free(&options);
    if (opened < 0) return false;
    headerWritten_ = ff_.avformat_write_header(out_, nullptr) >= 0;
    failed_ = !headerWritten_;
    return headerWritten_;
}

bool FfmpegWmaWriter::QueueSilence(int frames) {
    left_.assign(static_cast<size_t>(frames), 0.0f);
    right_.assign(static_cast<size_t>(frames), 0.0f);
    void* planes[2] = {left_.data(), right_.data()};
    return ff_.av_audio_fifo_write(queue_, planes, frames) == frames;
}

bool FfmpegWmaWriter::WriteBlock(const uint8_t* pcm, size_t bytes, uint64_t) {
    if (failed_) return false;
    const size_t frames = bytes / 4;
    left_.resize(frames);
    right_.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* f = pcm + 4 * i;
        left_[i] = static_cast<int16_t>(util::LoadLe16(f)) * (1.0f / 32768.0f);
        right_[i] = static_cast<int16_t>(util::LoadLe16(f + 2)) * (1.0f / 32768.0f);
    }
    void* planes[2] = {left_.data(), right_.data()};
    if (frames && ff_.av_audio_fifo_write(queue_, planes, static_cast<int>(frames)) < 0)
        failed_ = true;
    return EncodeQueued(false);
}

// Encodes every whole frame waiting in the queue; with `final`, also the rest,
// padded with silence.
bool FfmpegWmaWriter::EncodeQueued(bool final) {
    const int frameSize = encoder_->frame_size;
    while (!failed_) {
        const int queued = ff_.av_audio_fifo_size(queue_);
        if (queued == 0 || (queued < frameSize && !final)) break;
        if (ff_.av_frame_make_writable(frame_) < 0) return failed_ = true, false;
        const int n =
            ff_.av_audio_fifo_read(queue_, reinterpret_cast<void**>(frame_->data), frameSize);
        for (int ch = 0; ch < 2; ++ch) {
            float* plane = reinterpret_cast<float*>(frame_->data[ch]);
            std::fill(plane + (n > 0 ? n : 0), plane + frameSize, 0.0f);
        }
        frame_->pts = nextPts_;
        nextPts_ += frameSize;
        SendFrame(frame_);
    }
    return !failed_;
}

// Sends a frame (null: end of input) and writes every packet it yields.
bool FfmpegWmaWriter::SendFrame(const AVFrame* frame) {
    if (ff_.avcodec_send_frame(encoder_, frame) < 0) return failed_ = true, false;
    while (ff_.avcodec_receive_packet(encoder_, packet_) == 0) {
        ff_.av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        if (ff_.av_interleaved_write_frame(out_, packet_) < 0 || out_->pb->error < 0)
            failed_ = true;
        ff_.av_packet_unref(packet_);
    }
    return !failed_;
}

bool FfmpegWmaWriter::Finish() {
    if (!headerWritten_) return false;
    EncodeQueued(true);
    if (!failed_) SendFrame(nullptr);
    if (ff_.av_write_trailer(out_) < 0) failed_ = true;
    headerWritten_ = false;
    if (out_->pb->error < 0 || ff_.avio_closep(&out_->pb) < 0) failed_ = true;
    return !failed_;
}

}  // namespace

std::unique_ptr<WmaWriter> CreateWmaWriter(const char* path, int64_t bitsPerSecond) {
    const FfmpegApi* ff = Ffmpeg();
    if (!ff || !path) return nullptr;
    auto writer = std::make_unique<FfmpegWmaWriter>(*ff);
    if (!writer->Open(path, bitsPerSecond)) return nullptr;
    return writer;
}

}  // namespace tonekit::media
