// Integer helpers of the polyphase resampler.
#include "tonekit.h"

extern "C" int32_t mulhi(int32_t a, int32_t b) {
    // The high half of the signed 64-bit product: floor(a * b / 2^32).
    return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 32);
}

extern "C" uint32_t udivhi(uint32_t a, uint32_t b) {
    // floor(a * 2^32 / b) by restoring binary division; a < b keeps it exact.
    uint64_t remainder = a;
    uint32_t quotient = 0;
    for (int bit = 0; bit < 32; ++bit) {
        remainder <<= 1;
        quotient <<= 1;
        if (remainder >= b) {
            remainder -= b;
            quotient |= 1;
        }
    }
    return quotient;
}

extern "C" uint32_t gcd(uint32_t a, uint32_t b) {
    // Euclid's remainders give what repeated subtraction gives, without its
    // long runs for far-apart values; a zero argument cannot loop forever.
    while (b != 0) {
        const uint32_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

extern "C" uint32_t(MIN)(uint32_t a, uint32_t b) {
    return a < b ? a : b;
}

extern "C" uint32_t(MAX)(uint32_t a, uint32_t b) {
    return b > a ? b : a;
}
