// The tonekit exports wavshift uses, one function pointer each, bound by name
// from libtonekit.so at start.
#pragma once

#include <string>

#include "tonekit.h"

namespace wavshift {

#define WAVSHIFT_TONEKIT_FUNCTIONS(X)                                                     \
    X(OpenWAV)                                                                            \
    X(ReadWAV) X(CloseWAV) X(CreateWAVHeader) X(ConvertAudioBufferAlign) X(InitResampler) \
        X(Resample) X(FreeResampler) X(strrslash) X(cuts) X(strcatmany) X(dw2sz) X(percent)

struct TonekitApi {
#define WAVSHIFT_DECLARE(name) decltype(&::name) name = nullptr;
    WAVSHIFT_TONEKIT_FUNCTIONS(WAVSHIFT_DECLARE)
#undef WAVSHIFT_DECLARE
};

// Looks every function up in a library opened with dlopen; false, naming the
// first missing export in `missing`, when one is absent.
bool BindTonekit(void* library, TonekitApi& api, std::string& missing);

}  // namespace wavshift
