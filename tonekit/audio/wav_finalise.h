// The finalisation every WAV writer of the system applies once its samples are
// written: data size (length - 44) at offset 40, RIFF size (length - 8) at
// offset 4. Header-only, so that wavshift's engine shares the one routine.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <utility>

namespace tonekit::audio {

// Sizes beyond 32 bits are held at the largest value that fits.
inline bool FinaliseWavFile(const char* path) {
    FILE* f = std::fopen(path, "r+b");
    if (!f) return false;
    bool ok = fseeko(f, 0, SEEK_END) == 0;
    const off_t length = ok ? ftello(f) : -1;
    ok = length >= 44;
    if (ok) {
        constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;  // the RIFF size must fit too
        uint64_t data = static_cast<uint64_t>(length) - 44;
        if (data > kMaxData) data = kMaxData;
        for (const auto& [offset, value] : {std::pair<long, uint64_t>{40, data}, {4, data + 36}}) {
            const uint8_t field[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                      static_cast<uint8_t>(value >> 16),
                                      static_cast<uint8_t>(value >> 24)};
            ok = ok && std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(field, 4, 1, f) == 1;
        }
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace tonekit::audio
