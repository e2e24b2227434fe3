// Reader slots: the small numbers (0-9) by which callers name their open inputs.
#pragma once

#include <cstdint>

namespace tonekit::audio {

inline constexpr int32_t kReaderSlots = 10;

inline bool IsReaderSlot(int32_t slot) {
    return slot >= 0 && slot < kReaderSlots;
}

}  // namespace tonekit::audio
