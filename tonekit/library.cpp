#include "library.h"

#include "audio/blade_encoder.h"
#include "cd/cd_layer.h"
#include "media/ffmpeg_api.h"
#include "util/dynamic_library.h"

namespace tonekit {

void LibraryAttach() {
    audio::AttachLame(util::LibraryCandidates("libmp3lame.so.0"));
    cd::InitCdLayer();
}

void LibraryDetach() {
    cd::ShutdownCdLayer();
    audio::DetachLame();
    media::ForgetFfmpeg();
}

}  // namespace tonekit
