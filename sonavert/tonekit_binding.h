// The tonekit exports the converter uses, one function pointer each, bound by
// name from libtonekit.so at start in this order.
#pragma once

#include <string>

#include "tonekit.h"
#include "util/bound_library.h"
#include "util/function_binding.h"

namespace sonavert {

// clang-format off
#define SONAVERT_TONEKIT_FUNCTIONS(X)                                                              \
    X(GetOpenFilenames) X(LBDeleteSelected) X(CreateDesktopShortcut) X(dw2sz) X(fp2sz)             \
    X(lzdw2sz) X(CreateWaveOut) X(strcatmany) X(WAV2MP3) X(WAV2WMA) X(WMA2WAV)                     \
    X(BrowseForFolder) X(wmGetText) X(BitmapButtonXP) X(SineWave) X(LoadResourceJpeg)              \
    X(AddComboStrings) X(OpenWMA) X(ReadWMA) X(CloseWMA) X(EnableWindows10) X(nanosec2time)        \
    X(sz2wide) X(percent) X(SetFonts10) X(CDtoWAV) X(FileSize) X(WaitTime) X(mids) X(rights)       \
    X(strrslash) X(cuts) X(strslash) X(DrawSolidRectangle) X(OpenWAV) X(ReadWAV) X(SeekWAV)        \
    X(CloseWAV) X(ResampleWAV) X(AudioFilter) X(lin2log) X(AddToolTip) X(wide2sz) X(GetFormatWMA)  \
    X(ConvertAudioBufferAlign) X(CreateWAVHeader) X(SearchFiles)                                   \
    /* "Add CD Tracks" */                                                                          \
    X(SearchCDTracks)                                                                              \
    /* WAV files the WAV reader refuses, through the media decoder */                              \
    X(OpenMedia) X(MEDIA2WAV) X(MediaError)
// clang-format on

struct Tonekit {
    SONAVERT_TONEKIT_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        SONAVERT_TONEKIT_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

// The library, loaded and bound. Unloaded when destroyed.
using TonekitLibrary = tonekit::util::BoundLibrary<Tonekit>;

}  // namespace sonavert
