// FFmpeg, bound on first use. Loading libtonekit.so does not load FFmpeg: the
// programs start fast and work without it until compressed audio is touched.
// Only media/ includes this header.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <string>

#include "util/dynamic_library.h"
#include "util/function_binding.h"

namespace tonekit::media {

// clang-format off
#define TK_FFMPEG_FUNCTIONS(X)                                                                     \
    X(av_log_set_level) X(av_frame_alloc) X(av_frame_free) X(av_frame_unref)                       \
    X(av_frame_get_buffer) X(av_frame_make_writable) X(av_channel_layout_default)                  \
    X(av_channel_layout_uninit) X(av_channel_layout_copy) X(av_opt_set) X(av_dict_set)             \
    X(av_dict_free) X(av_audio_fifo_alloc) X(av_audio_fifo_free) X(av_audio_fifo_write)            \
    X(av_audio_fifo_read) X(av_audio_fifo_size) X(av_packet_alloc) X(av_packet_free)               \
    X(av_packet_unref) X(av_packet_rescale_ts) X(avcodec_find_decoder) X(avcodec_find_encoder)     \
    X(avcodec_alloc_context3) X(avcodec_free_context) X(avcodec_parameters_to_context)             \
    X(avcodec_parameters_from_context) X(avcodec_open2) X(avcodec_send_packet)                     \
    X(avcodec_receive_frame) X(avcodec_send_frame) X(avcodec_receive_packet)                       \
    X(avcodec_flush_buffers) X(avformat_open_input) X(avformat_close_input)                        \
    X(avformat_find_stream_info) X(av_find_best_stream) X(av_read_frame) X(av_seek_frame)          \
    X(avformat_alloc_output_context2) X(avformat_free_context) X(avformat_new_stream)              \
    X(avformat_write_header) X(av_interleaved_write_frame) X(av_write_trailer) X(avio_open2)       \
    X(avio_closep) X(swr_alloc_set_opts2) X(swr_init) X(swr_free) X(swr_convert)                   \
    X(swr_get_out_samples) X(av_strerror)
// clang-format on

struct FfmpegApi {
    TK_FFMPEG_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        TK_FFMPEG_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

// The bound functions, or null when FFmpeg's libraries cannot be loaded.
// The first use where FFmpeg is missing shows a message naming what is missing,
// once per process.
const FfmpegApi* Ffmpeg();

// At unload: frees the binding and leaves FFmpeg loaded, as its own state
// outlives us.
void ForgetFfmpeg();

// The URL under which FFmpeg opens the file `path` through its file protocol
// only: "file:" and the absolute path. Empty when no absolute path can be made.
std::string FileUrl(const char* path);

// Options that keep FFmpeg to its file protocol; the caller frees them with av_dict_free.
AVDictionary* FileProtocolOnly(const FfmpegApi& ff);

}  // namespace tonekit::media
