// What the compressed-audio reader needs of a decoder: open a file, tell its
// duration and output format, deliver timed blocks of 16-bit PCM. The output is
// 44,100 Hz with the source's channel count (1 or 2; more are mixed to stereo).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "tonekit.h"

namespace tonekit::media {

inline constexpr uint32_t kOutputRate = 44100;
inline constexpr uint64_t kTicksPerSecond = 10000000;  // 100-ns units

class MediaDecoder {
  public:
    virtual ~MediaDecoder() = default;
    // Length of the file in 100-ns units; 0 when unknown.
    virtual uint64_t Duration() const = 0;
    virtual const WaveFormatEx& Format() const = 0;
    // Moves reading to `time` (100-ns units).
    virtual void Seek(uint64_t time) = 0;
    // The next block of PCM and its start time; false at the end or on an error
    // that ends the stream.
    virtual bool NextBlock(std::vector<uint8_t>& pcm, uint64_t& time) = 0;
};

// Null when the file cannot be opened or holds no decodable audio; then
// LastDecoderError() says why, in FFmpeg's words where FFmpeg failed.
std::unique_ptr<MediaDecoder> OpenMediaDecoder(const char* path);
// Why the last OpenMediaDecoder on this thread failed; "" after a success.
const char* LastDecoderError();

// True when FFmpeg's libraries are there to decode and encode (the first call
// without them shows a message naming what is missing).
bool MediaAvailable();

// Encodes 44,100 Hz 16-bit stereo PCM into a WMA (wmav2 in ASF) file.
class WmaWriter {
  public:
    virtual ~WmaWriter() = default;
    // `time` is the block's start in 100-ns units. False once a write failed.
    virtual bool WriteBlock(const uint8_t* pcm, size_t bytes, uint64_t time) = 0;
    // Flushes the encoder and completes the file; false when anything failed.
    virtual bool Finish() = 0;
};

// Null when the file cannot be created.
std::unique_ptr<WmaWriter> CreateWmaWriter(const char* path, int64_t bitsPerSecond);

}  // namespace tonekit::media
