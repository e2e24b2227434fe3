// The processing routines for processors with AVX2; this file alone is
// compiled with -mavx2 and is only called after a check of the processor.
#include "resample/polyphase_process.h"
#include "resample/polyphase_walk.h"
#include "resample/simd_128.h"

namespace tonekit::resample {
namespace {

inline __m256i Load16(const int16_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

inline uint32_t HorizontalSum(__m256i v) {
    return HorizontalSum(_mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)));
}

// Mono: sixteen taps of each wing per multiply-add.
struct MonoAvx2 {
    static void Sums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
                     uint32_t (&sums)[1]) {
        __m256i acc = _mm256_setzero_si256();
        int32_t j = 0;
        for (; j + 16 <= taps; j += 16) {
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(Load16(centre + j), Load16(fore + j)));
            const __m256i b =
                _mm256_set_m128i(Reverse8(Load8(back + j)), Reverse8(Load8(back + j + 8)));
            acc = _mm256_add_epi32(acc, _mm256_madd_epi16(Load16(centre - (j + 16)), b));
        }
        sums[0] += HorizontalSum(acc);
        WingSumsScalar<1>(centre, fore, back, j, taps, sums);
    }
};

// Stereo: eight frames of each wing per step; each coefficient widened to a
// (c, 0) pair weights the left samples, shifted to (0, c) the right ones.
struct StereoAvx2 {
    static void Sums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
                     uint32_t (&sums)[2]) {
        __m256i left = _mm256_setzero_si256(), right = _mm256_setzero_si256();
        int32_t j = 0;
        for (; j + 8 <= taps; j += 8) {
            const __m256i f = _mm256_cvtepu16_epi32(Load8(fore + j));
            const __m256i forward = Load16(centre + 2 * j);
            left = _mm256_add_epi32(left, _mm256_madd_epi16(forward, f));
            right = _mm256_add_epi32(right, _mm256_madd_epi16(forward, _mm256_slli_epi32(f, 16)));
            const __m256i b = _mm256_cvtepu16_epi32(Reverse8(Load8(back + j)));
            const __m256i backward = Load16(centre - 2 * (j + 8));
            left = _mm256_add_epi32(left, _mm256_madd_epi16(backward, b));
            right = _mm256_add_epi32(right, _mm256_madd_epi16(backward, _mm256_slli_epi32(b, 16)));
        }
        sums[0] += HorizontalSum(left);
        sums[1] += HorizontalSum(right);
        WingSumsScalar<2>(centre, fore, back, j, taps, sums);
    }
};

}  // namespace

ResamplerProcess Avx2Routine(int32_t channels, bool interpolating) {
    return Routine<MonoAvx2, StereoAvx2>(channels, interpolating);
}

}  // namespace tonekit::resample
