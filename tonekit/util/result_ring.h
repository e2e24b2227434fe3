// Result rings: each text helper returns its result in the next of ten fixed
// slots it owns, so callers never free and may nest calls. The rings are per
// thread, which keeps the playback thread's formatting apart from the UI's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tonekit::util {

inline constexpr int kRingSlots = 10;

template <typename Char, size_t SlotChars>
struct ResultRing {
    Char slots[kRingSlots][SlotChars];
    uint32_t next;

    static constexpr size_t kMaxChars = SlotChars - 1;

    Char* Take(bool clear) {
        Char* slot = slots[next];
        next = (next + 1) % kRingSlots;
        if (clear) std::memset(slot, 0, sizeof(slots[0]));
        return slot;
    }
};

// Copies at most `count` characters of `text` and a terminator into `slot`,
// holding the copy to what the slot can take.
template <size_t SlotChars>
char* CopyInto(char* slot, const char* text, size_t count) {
    if (count > SlotChars - 1) count = SlotChars - 1;
    std::memcpy(slot, text, count);
    slot[count] = '\0';
    return slot;
}

}  // namespace tonekit::util
