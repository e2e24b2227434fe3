#include "audio/blade_encoder.h"

#include <lame/lame.h>

#include <cstdio>

#include "util/dynamic_library.h"
#include "util/function_binding.h"
#include "util/regular_file.h"

namespace tonekit::audio {
namespace {

// clang-format off
#define TK_LAME_FUNCTIONS(X)                                                                       \
    X(lame_init) X(lame_close) X(lame_init_params) X(lame_set_in_samplerate)                       \
    X(lame_set_out_samplerate) X(lame_set_num_channels) X(lame_set_mode) X(lame_set_brate)         \
    X(lame_set_VBR) X(lame_set_VBR_q) X(lame_set_VBR_min_bitrate_kbps)                             \
    X(lame_set_VBR_max_bitrate_kbps) X(lame_set_VBR_mean_bitrate_kbps) X(lame_set_bWriteVbrTag)    \
    X(lame_set_disable_reservoir) X(lame_set_original) X(lame_set_copyright)                       \
    X(lame_set_extension) X(lame_set_error_protection) X(lame_set_emphasis)                        \
    X(lame_set_strict_ISO) X(lame_set_quality) X(lame_get_framesize) X(lame_encode_buffer)         \
    X(lame_encode_buffer_interleaved) X(lame_encode_flush) X(lame_mp3_tags_fid)
// clang-format on

struct LameApi {
    TK_LAME_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        TK_LAME_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

util::DynamicLibrary g_library;
LameApi g_lame;
bool g_bound = false;

struct BladeStream {
    lame_global_flags* flags;
    int channels;
    int bufferBytes;
    bool writeTag;
};

constexpr int kMpeg1 = 1;

bool IsMpeg1Rate(uint32_t rate) {
    return rate == 32000 || rate == 44100 || rate == 48000;
}

void ApplyConfig(const BeConfig& c, lame_global_flags* gf, int channels) {
    const LameApi& l = g_lame;
    l.lame_set_in_samplerate(gf, static_cast<int>(c.dwSampleRate));
    if (c.dwReSampleRate)
        l.lame_set_out_samplerate(gf, static_cast<int>(c.dwReSampleRate));
    else if (c.dwMpegVersion == kMpeg1 && IsMpeg1Rate(c.dwSampleRate))
        l.lame_set_out_samplerate(gf, static_cast<int>(c.dwSampleRate));
    l.lame_set_num_channels(gf, channels);
    // LAME has no dual-channel mode; it is encoded as plain stereo.
    l.lame_set_mode(gf, c.nMode == kBeModeMono          ? MONO
                        : c.nMode == kBeModeJointStereo ? JOINT_STEREO
                                                        : STEREO);
    if (c.bEnableVBR) {
        l.lame_set_VBR(gf, c.dwVbrAbr_bps ? vbr_abr : vbr_default);
        l.lame_set_VBR_q(gf, c.nVBRQuality);
        l.lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.dwBitrate));
        if (c.dwMaxBitrate) l.lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.dwMaxBitrate));
        if (c.dwVbrAbr_bps)
            l.lame_set_VBR_mean_bitrate_kbps(gf, static_cast<int>(c.dwVbrAbr_bps / 1000));
    } else {
        l.lame_set_VBR(gf, vbr_off);
        l.lame_set_brate(gf, static_cast<int>(c.dwBitrate));
    }
    l.lame_set_bWriteVbrTag(gf, c.bWriteVBRHeader ? 1 : 0);
    l.lame_set_disable_reservoir(gf, c.bNoRes ? 1 : 0);
    l.lame_set_original(gf, c.bOriginal ? 1 : 0);
    l.lame_set_copyright(gf, c.bCopyright ? 1 : 0);
    l.lame_set_extension(gf, c.bPrivate ? 1 : 0);
    l.lame_set_error_protection(gf, c.bCRC ? 1 : 0);
    l.lame_set_emphasis(gf, static_cast<int>(c.dwEmphasis));
    l.lame_set_strict_ISO(gf, c.bStrictIso ? 1 : 0);
    // A quality is taken only when its high byte is the complement of its low byte.
    const int low = c.nQuality & 0xFF;
    if (low == ((~c.nQuality >> 8) & 0xFF)) l.lame_set_quality(gf, low);
}

uint32_t BeInitStream(const BeConfig* config, uint32_t* samplesPerChunk, uint32_t* mp3BufferSize,
                      BeStream* stream) {
    if (!config || !samplesPerChunk || !mp3BufferSize || !stream) return kBeErrInvalidParameters;
    if (config->dwConfig != kBeConfigLame) return kBeErrInvalidFormat;
    lame_global_flags* gf = g_lame.lame_init();
    if (!gf) return kBeErrInvalidFormat;
    const int channels = config->nMode == kBeModeMono ? 1 : 2;
    ApplyConfig(*config, gf, channels);
    if (g_lame.lame_init_params(gf) < 0) {
        g_lame.lame_close(gf);
        return kBeErrInvalidParameters;
    }
    const int frame = g_lame.lame_get_framesize(gf);
    auto* s = new BladeStream{gf, channels, frame * 5 / 4 + 7200, config->bWriteVBRHeader != 0};
    *samplesPerChunk = static_cast<uint32_t>(frame * channels);
    *mp3BufferSize = static_cast<uint32_t>(s->bufferBytes);
    *stream = s;
    return kBeErrSuccessful;
}

uint32_t BeEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* pcm, uint8_t* mp3,
                       uint32_t* written) {
    auto* s = static_cast<BladeStream*>(stream);
    if (!s || !s->flags || !written) return kBeErrInvalidHandle;
    auto* samples = const_cast<short*>(pcm);
    const int frames = static_cast<int>(sampleCount) / s->channels;
    const int n =
        s->channels == 2
            ? g_lame.lame_encode_buffer_interleaved(s->flags, samples, frames, mp3, s->bufferBytes)
            : g_lame.lame_encode_buffer(s->flags, samples, samples, frames, mp3, s->bufferBytes);
    *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n < 0 ? kBeErrInvalidParameters : kBeErrSuccessful;
}

uint32_t BeDeinitStream(BeStream stream, uint8_t* mp3, uint32_t* written) {
    auto* s = static_cast<BladeStream*>(stream);
    if (!s || !s->flags || !written) return kBeErrInvalidHandle;
    const int n = g_lame.lame_encode_flush(s->flags, mp3, s->bufferBytes);
    *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return kBeErrSuccessful;
}

// The encoder stays alive when an information tag is still to be written; the
// stream record itself is released by beWriteInfoTag.
uint32_t BeCloseStream(BeStream stream) {
    auto* s = static_cast<BladeStream*>(stream);
    if (!s) return kBeErrInvalidHandle;
    if (!s->writeTag && s->flags) {
        g_lame.lame_close(s->flags);
        s->flags = nullptr;
    }
    return kBeErrSuccessful;
}

uint32_t BeWriteInfoTag(BeStream stream, const char* fileName) {
    auto* s = static_cast<BladeStream*>(stream);
    if (!s) return kBeErrInvalidHandle;
    if (s->flags && s->writeTag && fileName) {
        if (const util::UniqueFile f{std::fopen(fileName, "rb+")})
            g_lame.lame_mp3_tags_fid(s->flags, f.get());
    }
    if (s->flags) g_lame.lame_close(s->flags);
    delete s;
    return kBeErrSuccessful;
}

const LameEntryPoints kEntryPoints{BeInitStream, BeEncodeChunk, BeDeinitStream, BeCloseStream,
                                   BeWriteInfoTag};

}  // namespace

bool AttachLame(const std::vector<std::string>& candidates) {
    DetachLame();
    for (const auto& candidate : candidates) {
        if (!g_library.Open({candidate})) continue;
        const auto lookup = [](const char* name) { return g_library.Symbol(name); };
        if (util::BindFunctions(g_lame, lookup).empty()) return g_bound = true;
        g_library.Close();  // a library lacking a function counts as missing
    }
    return false;
}

void DetachLame() {
    g_bound = false;
    g_lame = LameApi{};
    g_library.Close();
}

const LameEntryPoints* Lame() {
    return g_bound ? &kEntryPoints : nullptr;
}

}  // namespace tonekit::audio
