// The tonekit exports wavshift uses, one function pointer each, bound by name
// from libtonekit.so at start.
#pragma once

#include "tonekit.h"
#include "util/bound_library.h"

namespace wavshift {

// clang-format off
// What the resampling engine calls (Qt-free).
#define WAVSHIFT_ENGINE_FUNCTIONS(X)                                                               \
    X(OpenWAV) X(ReadWAV) X(CloseWAV) X(CreateWAVHeader) X(ConvertAudioBufferAlign)                \
    X(InitResampler) X(Resample) X(FreeResampler) X(strrslash) X(cuts) X(strcatmany) X(dw2sz)      \
    X(percent)
// What the window adds.
#define WAVSHIFT_WINDOW_FUNCTIONS(X)                                                               \
    X(AddComboStrings) X(EnableWindows10) X(LoadResourceJpeg) X(GetOpenFilenames)
#define WAVSHIFT_TONEKIT_FUNCTIONS(X) WAVSHIFT_ENGINE_FUNCTIONS(X) WAVSHIFT_WINDOW_FUNCTIONS(X)
// clang-format on

struct TonekitApi {
    WAVSHIFT_TONEKIT_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        WAVSHIFT_TONEKIT_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

using TonekitLibrary = tonekit::util::BoundLibrary<TonekitApi>;

}  // namespace wavshift
