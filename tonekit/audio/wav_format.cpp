#include "audio/wav_format.h"

#include <cstring>

namespace tonekit::audio {

void PutLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* at, uint32_t value) {
    PutLe16(at, static_cast<uint16_t>(value));
    PutLe16(at + 2, static_cast<uint16_t>(value >> 16));
}

uint16_t GetLe16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t GetLe32(const uint8_t* at) {
    return GetLe16(at) | (static_cast<uint32_t>(GetLe16(at + 2)) << 16);
}

namespace {

std::array<uint8_t, kWavHeaderBytes> BuildHeader(uint32_t sampleRate, uint32_t bits,
                                                 uint32_t channels) {
    std::array<uint8_t, kWavHeaderBytes> h{};
    const uint32_t blockAlign = channels * (bits / 8);
    std::memcpy(&h[0], "RIFF", 4);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutLe32(&h[16], 16);
    PutLe16(&h[20], 1);
    PutLe16(&h[22], static_cast<uint16_t>(channels));
    PutLe32(&h[24], sampleRate);
    PutLe32(&h[28], blockAlign * sampleRate);
    PutLe16(&h[32], static_cast<uint16_t>(blockAlign));
    PutLe16(&h[34], static_cast<uint16_t>(bits));
    std::memcpy(&h[36], "data", 4);
    return h;
}

}  // namespace

const std::array<uint8_t, kWavHeaderBytes>& WavHeaderTemplate() {
    static const auto header = BuildHeader(44100, 16, 2);
    return header;
}

std::array<uint8_t, kWavHeaderBytes> MakeWavHeader(uint32_t sampleRate, uint32_t bitsPerSample,
                                                   uint32_t channels) {
    return BuildHeader(sampleRate, bitsPerSample, channels);
}

}  // namespace tonekit::audio
