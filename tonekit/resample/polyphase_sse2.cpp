// The processing routines for any x86-64 processor (SSE2), or plain C++
// elsewhere.
#include "resample/polyphase_process.h"
#include "resample/polyphase_walk.h"
#ifdef __SSE2__
#include "resample/simd_128.h"
#endif

namespace tonekit::resample {
namespace {

#ifdef __SSE2__
// Mono: eight taps of each wing per multiply-add.
struct MonoSse2 {
    static void Sums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
                     uint32_t (&sums)[1]) {
        __m128i acc = _mm_setzero_si128();
        int32_t j = 0;
        for (; j + 8 <= taps; j += 8) {
            acc = _mm_add_epi32(acc, _mm_madd_epi16(Load8(centre + j), Load8(fore + j)));
            acc = _mm_add_epi32(acc,
                                _mm_madd_epi16(Load8(centre - (j + 8)), Reverse8(Load8(back + j))));
        }
        sums[0] += HorizontalSum(acc);
        WingSumsScalar<1>(centre, fore, back, j, taps, sums);
    }
};

// Stereo: four frames of each wing per step, the coefficients spread over the
// left or the right samples by interleaving them with zeros.
struct StereoSse2 {
    static void Sums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
                     uint32_t (&sums)[2]) {
        const __m128i zero = _mm_setzero_si128();
        __m128i left = zero, right = zero;
        int32_t j = 0;
        for (; j + 4 <= taps; j += 4) {
            const __m128i f = Load4(fore + j);
            const __m128i forward = Load8(centre + 2 * j);
            left = _mm_add_epi32(left, _mm_madd_epi16(forward, _mm_unpacklo_epi16(f, zero)));
            right = _mm_add_epi32(right, _mm_madd_epi16(forward, _mm_unpacklo_epi16(zero, f)));
            const __m128i b = _mm_shufflelo_epi16(Load4(back + j), _MM_SHUFFLE(0, 1, 2, 3));
            const __m128i backward = Load8(centre - 2 * (j + 4));
            left = _mm_add_epi32(left, _mm_madd_epi16(backward, _mm_unpacklo_epi16(b, zero)));
            right = _mm_add_epi32(right, _mm_madd_epi16(backward, _mm_unpacklo_epi16(zero, b)));
        }
        sums[0] += HorizontalSum(left);
        sums[1] += HorizontalSum(right);
        WingSumsScalar<2>(centre, fore, back, j, taps, sums);
    }
};
using Mono = MonoSse2;
using Stereo = StereoSse2;
#else
template <int Ch>
struct Plain {
    static void Sums(const int16_t* centre, const int16_t* fore, const int16_t* back, int32_t taps,
                     uint32_t (&sums)[Ch]) {
        WingSumsScalar<Ch>(centre, fore, back, 0, taps, sums);
    }
};
using Mono = Plain<1>;
using Stereo = Plain<2>;
#endif

}  // namespace

ResamplerProcess PortableRoutine(int32_t channels, bool interpolating) {
    return Routine<Mono, Stereo>(channels, interpolating);
}

}  // namespace tonekit::resample
