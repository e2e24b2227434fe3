// Internal view of the WAV reader slots.
#pragma once

#include <cstdint>

namespace tonekit::audio {

// Bytes read from the slot's data so far (moved by SeekWAV); 0 for an empty slot.
uint64_t WavReadPosition(int32_t slot);

}  // namespace tonekit::audio
