// 128-bit helpers of the wing-sum kernels. Internal linkage: each instruction
// set's translation unit compiles its own encoding of them.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace tonekit::resample {
namespace {

inline uint32_t HorizontalSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}

// Eight 16-bit values in reverse order.
inline __m128i Reverse8(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)),
                               _MM_SHUFFLE(2, 3, 0, 1));
}

inline __m128i Load8(const int16_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

inline __m128i Load4(const int16_t* at) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
}

}  // namespace
}  // namespace tonekit::resample
