// A container written through FFmpeg's muxers into a file we open ourselves
// (never through a link), so the caller's choice of a private name holds.
#pragma once

#include <string>

#include "ffmpeg_handles.h"

namespace sonavert::encode {

class Muxer {
  public:
    Muxer() = default;
    ~Muxer();
    Muxer(const Muxer&) = delete;
    Muxer& operator=(const Muxer&) = delete;

    // Creates or truncates `path` and starts a `container` file with one
    // stream described by `codec`. "" or why it failed.
    std::string Open(const std::string& path, const char* container, const AVCodecContext& codec);
    // Takes the packet's data; its times are in the codec's time base.
    std::string Write(AVPacket* packet);
    // Writes the trailer (and the headers that are only known at the end).
    std::string Finish();

  private:
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVRational codecTimeBase_{};
    int fd_ = -1;
    int ioError_ = 0;  // the errno of a failed write, kept for the reason

    static int WriteBytes(void* opaque, uint8_t* data, int size);  // FFmpeg 5 takes no const
    static int64_t SeekTo(void* opaque, int64_t offset, int whence);
};

}  // namespace sonavert::encode
