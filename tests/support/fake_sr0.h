// The disc that the preloaded fake drive (fake_sr0.cpp) holds in /dev/sr0.
#pragma once

#include "simulated_drive.h"

namespace testing_support {

inline tonekit::cd::DiscImage FakeSr0Disc() {
    return {{300, 150, 200}, {}};  // three audio tracks, sectors each
}

}  // namespace testing_support
