// The 44-byte WAV header this system writes (both size fields 0 until the file
// is finalised). Header-only, so that wavshift's engine shares it.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "util/little_endian.h"

namespace tonekit::audio {

inline constexpr int kWavHeaderBytes = 44;
using WavHeader = std::array<uint8_t, kWavHeaderBytes>;

// The header for the given format, with both size fields 0.
inline WavHeader MakeWavHeader(uint32_t sampleRate, uint32_t bitsPerSample, uint32_t channels) {
    using util::StoreLe16;
    using util::StoreLe32;
    WavHeader h{};
    const uint32_t blockAlign = channels * (bitsPerSample / 8);
    std::memcpy(&h[0], "RIFF", 4);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    StoreLe32(&h[16], 16);
    StoreLe16(&h[20], 1);
    StoreLe16(&h[22], static_cast<uint16_t>(channels));
    StoreLe32(&h[24], sampleRate);
    StoreLe32(&h[28], blockAlign * sampleRate);
    StoreLe16(&h[32], static_cast<uint16_t>(blockAlign));
    StoreLe16(&h[34], static_cast<uint16_t>(bitsPerSample));
    std::memcpy(&h[36], "data", 4);
    return h;
}

// The canonical header: integer PCM, 2 channels, 44,100 Hz, 16 bits.
inline const WavHeader& WavHeaderTemplate() {
    static const WavHeader header = MakeWavHeader(44100, 16, 2);
    return header;
}

}  // namespace tonekit::audio
