// The tonekit exports wavshift uses, one function pointer each, bound by name
// from libtonekit.so at start.
#pragma once

#include <string>

#include "tonekit.h"
#include "util/function_binding.h"

namespace wavshift {

// clang-format off
#define WAVSHIFT_TONEKIT_FUNCTIONS(X)                                                              \
    X(OpenWAV) X(ReadWAV) X(CloseWAV) X(CreateWAVHeader) X(ConvertAudioBufferAlign)                \
    X(InitResampler) X(Resample) X(FreeResampler) X(strrslash) X(cuts) X(strcatmany) X(dw2sz)      \
    X(percent)
// clang-format on

struct TonekitApi {
    WAVSHIFT_TONEKIT_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        WAVSHIFT_TONEKIT_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

// Looks every function up in a library opened with dlopen; false, naming the
// first missing export in `missing`, when one is absent.
bool BindTonekit(void* library, TonekitApi& api, std::string& missing);

}  // namespace wavshift
