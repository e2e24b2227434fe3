// Progress of the chunked encoders: 100 / (estimated chunks / chunks done),
// which passes 100 when the last partial chunk was not in the estimate.
#pragma once

#include <cstdint>

namespace tonekit::audio {

inline int32_t ChunkPercent(uint64_t done, uint64_t estimated) {
    if (done == 0 || estimated == 0) return 0;
    return static_cast<int32_t>(100.0 /
                                (static_cast<double>(estimated) / static_cast<double>(done)));
}

}  // namespace tonekit::audio
