// The BladeEnc-style MP3 encoder interface, built over LAME's own functions.
// LAME (libmp3lame.so.0) is bound by name when the library is attached.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonekit::audio {

inline constexpr uint32_t kBeConfigLame = 256;
inline constexpr int32_t kBeModeStereo = 0;
inline constexpr int32_t kBeModeJointStereo = 1;
inline constexpr int32_t kBeModeDualChannel = 2;
inline constexpr int32_t kBeModeMono = 3;
inline constexpr int32_t kLqpCbr = 12;
inline constexpr uint32_t kBeErrSuccessful = 0;
inline constexpr uint32_t kBeErrInvalidFormat = 1;
inline constexpr uint32_t kBeErrInvalidParameters = 2;
inline constexpr uint32_t kBeErrInvalidHandle = 4;

// The encoder configuration record, LAME layout (331 bytes, byte-packed).
#pragma pack(push, 1)
struct BeConfig {
    uint32_t dwConfig;
    uint32_t dwStructVersion;
    uint32_t dwStructSize;
    uint32_t dwSampleRate;
    uint32_t dwReSampleRate;
    int32_t nMode;
    uint32_t dwBitrate;
    uint32_t dwMaxBitrate;
    int32_t nPreset;
    uint32_t dwMpegVersion;
    uint32_t dwPsyModel;
    uint32_t dwEmphasis;
    int32_t bPrivate;
    int32_t bCRC;
    int32_t bCopyright;
    int32_t bOriginal;
    int32_t bWriteVBRHeader;
    int32_t bEnableVBR;
    int32_t nVBRQuality;
    uint32_t dwVbrAbr_bps;
    int32_t nVbrMethod;
    int32_t bNoRes;
    int32_t bStrictIso;
    uint16_t nQuality;
    uint8_t btReserved[255 - 4 * sizeof(uint32_t) - sizeof(uint16_t)];
};
#pragma pack(pop)
static_assert(sizeof(BeConfig) == 331);

using BeStream = void*;

// The five operations, as the MP3 writer calls them.
struct LameEntryPoints {
    uint32_t (*beInitStream)(const BeConfig* config, uint32_t* samplesPerChunk,
                             uint32_t* mp3BufferSize, BeStream* stream);
    uint32_t (*beEncodeChunk)(BeStream stream, uint32_t sampleCount, const int16_t* pcm,
                              uint8_t* mp3, uint32_t* written);
    uint32_t (*beDeinitStream)(BeStream stream, uint8_t* mp3, uint32_t* written);
    uint32_t (*beCloseStream)(BeStream stream);
    uint32_t (*beWriteInfoTag)(BeStream stream, const char* fileName);
};

// Binds LAME from the first candidate that loads and has every function LAME
// needs; false (encoder absent) otherwise.
bool AttachLame(const std::vector<std::string>& candidates);
void DetachLame();

// The bound operations, or null when LAME is absent.
const LameEntryPoints* Lame();

}  // namespace tonekit::audio
