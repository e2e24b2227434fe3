// The 44-byte WAV header this system writes, and the finalisation that sets its
// two size fields once the sample data is in place.
#pragma once

#include <array>
#include <cstdint>

namespace tonekit::audio {

inline constexpr int kWavHeaderBytes = 44;

// Canonical header: integer PCM, 2 channels, 44,100 Hz, 16 bits, sizes 0.
const std::array<uint8_t, kWavHeaderBytes>& WavHeaderTemplate();

// The header for the given format, with both size fields 0.
std::array<uint8_t, kWavHeaderBytes> MakeWavHeader(uint32_t sampleRate, uint32_t bitsPerSample,
                                                   uint32_t channels);

void PutLe16(uint8_t* at, uint16_t value);
void PutLe32(uint8_t* at, uint32_t value);
uint16_t GetLe16(const uint8_t* at);
uint32_t GetLe32(const uint8_t* at);

}  // namespace tonekit::audio
