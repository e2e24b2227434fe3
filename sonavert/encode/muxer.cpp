#include "muxer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sonavert::encode {

namespace {
constexpr int kIoBufferBytes = 64 * 1024;
}

Muxer::~Muxer() {
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    avformat_free_context(format_);
    if (fd_ >= 0) close(fd_);
}

int Muxer::WriteBytes(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<Muxer*>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t n = write(self->fd_, data + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            self->ioError_ = n < 0 ? errno : ENOSPC;
            return AVERROR(self->ioError_);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t Muxer::SeekTo(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Muxer*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return fstat(self->fd_, &st) == 0 ? st.st_size : AVERROR(errno);
    }
    const off_t at = lseek(self->fd_, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

std::string Muxer::Open(const std::string& path, const char* container,
                        const AVCodecContext& codec) {
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) return std::strerror(errno);
    int result = avformat_alloc_output_context2(&format_, nullptr, container, nullptr);
    if (result < 0) return ErrorText(result);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    io_ = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, WriteBytes, SeekTo)
                 : nullptr;
    if (!io_) {
        av_free(buffer);
        return "out of memory";
    }
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVStream* stream = avformat_new_stream(format_, nullptr);
    if (!stream) return "out of memory";
    if ((result = avcodec_parameters_from_context(stream->codecpar, &codec)) < 0)
        return ErrorText(result);
    stream->time_base = codec.time_base;
    codecTimeBase_ = codec.time_base;
    if ((result = avformat_write_header(format_, nullptr)) < 0) return ErrorText(result);
    return "";
}

std::string Muxer::Write(AVPacket* packet) {
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, codecTimeBase_, format_->streams[0]->time_base);
    const int result = av_interleaved_write_frame(format_, packet);
    return result < 0 ? ErrorText(result) : "";
}

std::string Muxer::Finish() {
    int result = av_write_trailer(format_);
    if (result >= 0) avio_flush(io_);
    if (result >= 0 && io_->error < 0) result = io_->error;
    const int closed = close(fd_);
    fd_ = -1;
    if (result >= 0 && closed != 0) result = AVERROR(errno);
    return result < 0 ? ErrorText(result) : "";
}

}  // namespace sonavert::encode
