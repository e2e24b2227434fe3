// Owning handles for FFmpeg's objects, and FFmpeg's error texts.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <string>

namespace sonavert::encode {

struct FreeFrame {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct FreePacket {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FreeCodec {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct CloseInput {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct FreeResampler {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct FreeFifo {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using CodecPtr = std::unique_ptr<AVCodecContext, FreeCodec>;
using InputPtr = std::unique_ptr<AVFormatContext, CloseInput>;
using ResamplerPtr = std::unique_ptr<SwrContext, FreeResampler>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FreeFifo>;

// FFmpeg's own text for an error code, lower-case first letter.
std::string ErrorText(int code);

}  // namespace sonavert::encode
