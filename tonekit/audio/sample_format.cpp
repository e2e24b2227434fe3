// Frame-for-frame conversion between sample widths and channel counts.
#include <cstdlib>

#include "audio/frame_codec.h"
#include "tonekit.h"

extern "C" void ConvertAudioBufferAlign(const AudioBlock* in, AudioBlock* out, int32_t inBits,
                                        int32_t outBits, int32_t inChannels, int32_t outChannels,
                                        SampleHook hook) {
    using namespace tonekit::audio;
    if (!out) return;
    *out = AudioBlock{};
    const bool formats =
        IsSupportedFormat(inBits, inChannels) && IsSupportedFormat(outBits, outChannels);
    // Frame sizes are computed only for formats that passed, so that an absurd
    // channel count cannot overflow them.
    const uint32_t inFrame = formats ? static_cast<uint32_t>(FrameBytes(inBits, inChannels)) : 1;
    const uint32_t outFrame = formats ? static_cast<uint32_t>(FrameBytes(outBits, outChannels)) : 0;
    const uint64_t wanted = in && formats ? uint64_t{in->bytes} * outFrame / inFrame : 0;
    // A result that would not fit a block is refused, as the rate converter does.
    const bool usable = in && (in->data || in->bytes == 0) && formats && wanted <= kMaxBlockBytes;
    const uint32_t size = usable ? static_cast<uint32_t>(wanted) : 0;
    out->data = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    if (!out->data) return;
    out->bytes = size;
    out->frameBytes = usable ? outFrame : 0;
    if (!usable) return;

    const int inKind = FrameKind(inBits, inChannels);
    const int outKind = FrameKind(outBits, outChannels);
    const bool downmix = outChannels < inChannels;
    uint8_t* dst = out->data;
    for (uint32_t p = 0; p + inFrame <= in->bytes; p += inFrame, dst += outFrame) {
        int16_t pair[2];
        DecodeFrame(in->data + p, inKind, pair);
        if (hook) hook(pair);
        if (downmix) pair[0] = static_cast<int16_t>((pair[0] + pair[1]) / 2);
        EncodeFrame(pair, outKind, dst);
    }
}
