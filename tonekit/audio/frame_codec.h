// Decoding PCM frames (8-bit unsigned or 16-bit signed, mono or stereo) to a
// signed 16-bit left/right pair and encoding such a pair back.
#pragma once

#include <cstdint>

#include "tonekit.h"
#include "util/little_endian.h"

namespace tonekit::audio {

// The largest block the converters make.
inline constexpr uint64_t kMaxBlockBytes = 0x7FFFFFFF;

// Frame kinds: 0 8-bit mono, 1 8-bit stereo, 2 16-bit mono, 3 16-bit stereo.
inline int FrameKind(int32_t bits, int32_t channels) {
    return ((channels / 2) & 1) | ((bits / 8) & 2);
}

inline bool IsSupportedFormat(int32_t bits, int32_t channels) {
    return (bits == 8 || bits == 16) && (channels == 1 || channels == 2);
}

inline int32_t FrameBytes(int32_t bits, int32_t channels) {
    return (bits / 8) * channels;
}

// WAV sources the converters can read: integer PCM, 8 or 16 bits, mono or
// stereo, a block align that matches, and a rate.
inline bool IsConvertiblePcm(const WavInfo& info) {
    const auto bits = static_cast<int32_t>(info.bitsPerSample);
    const auto channels = static_cast<int32_t>(info.channels);
    return info.formatTag == 1 && info.sampleRate > 0 && IsSupportedFormat(bits, channels) &&
           info.blockAlign == static_cast<uint32_t>(FrameBytes(bits, channels));
}

inline int16_t Read16(const uint8_t* at) {
    return static_cast<int16_t>(util::LoadLe16(at));
}

inline void Write16(uint8_t* at, int16_t value) {
    util::StoreLe16(at, static_cast<uint16_t>(value));
}

// 8-bit samples are offset by 128; they go to the high byte of the word.
inline int16_t Widen8(uint8_t v) {
    return static_cast<int16_t>((v - 128) * 256);
}
inline uint8_t Narrow8(int16_t v) {
    return static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) + 128);
}

inline void DecodeFrame(const uint8_t* in, int kind, int16_t pair[2]) {
    switch (kind) {
        case 0:
            pair[0] = pair[1] = Widen8(in[0]);
            break;
        case 1:
            pair[0] = Widen8(in[0]);
            pair[1] = Widen8(in[1]);
            break;
        case 2:
            pair[0] = pair[1] = Read16(in);
            break;
        default:
            pair[0] = Read16(in);
            pair[1] = Read16(in + 2);
            break;
    }
}

inline void EncodeFrame(const int16_t pair[2], int kind, uint8_t* out) {
    switch (kind) {
        case 0:
            out[0] = Narrow8(pair[0]);
            break;
        case 1:
            out[0] = Narrow8(pair[0]);
            out[1] = Narrow8(pair[1]);
            break;
        case 2:
            Write16(out, pair[0]);
            break;
        default:
            Write16(out, pair[0]);
            Write16(out + 2, pair[1]);
            break;
    }
}

}  // namespace tonekit::audio
