// How far apart two sample rates may lie for the resamplers. The filter table
// and the output of each block grow with the ratio: a WAV header declaring
// 1 Hz, resampled to 22,050 Hz, would take a gigabyte and most of a minute
// before the first block was out. Every pair in use (2,000 to 384,000 Hz, either
// way) lies well inside 256:1. Header-only, so that wavshift's engine refuses
// the same pairs with its reason.
#pragma once

#include <cstdint>

namespace tonekit::resample {

inline constexpr uint32_t kMaxRateRatio = 256;

// True when neither rate is 0 and neither is more than kMaxRateRatio times the other.
inline bool RatesWithinReach(uint32_t a, uint32_t b) {
    return a != 0 && b != 0 && uint64_t{a} <= uint64_t{b} * kMaxRateRatio &&
           uint64_t{b} <= uint64_t{a} * kMaxRateRatio;
}

}  // namespace tonekit::resample
