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
    const bool usable = in && (in->data || in->bytes == 0) &&
                        IsSupportedFormat(inBits, inChannels) &&
                        IsSupportedFormat(outBits, outChannels);
    const uint32_t inFrame = static_cast<uint32_t>(FrameBytes(inBits, inChannels));
    const uint32_t outFrame = static_cast<uint32_t>(FrameBytes(outBits, outChannels));
    const uint32_t size =
        usable ? static_cast<uint32_t>(static_cast<double>(in->bytes) * outFrame / inFrame) : 0;
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
