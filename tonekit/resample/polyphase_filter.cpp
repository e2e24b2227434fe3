// Building the polyphase coefficient table from a prototype wing.
#include <cstdlib>
#include <vector>

#include "resample/prototype_tables.h"
#include "tonekit.h"

namespace tonekit::resample {
namespace {

// 32-bit register arithmetic: sums and differences wrap instead of overflowing.
int32_t Wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// x * t for a 0.32 fraction t.
int32_t ScaleBy(int32_t x, uint32_t t) {
    return Wrap(int64_t{2} * mulhi(x, static_cast<int32_t>(t >> 1)));
}

int32_t Third(int32_t x) {
    return mulhi(x, 0x55555556);
}

// Source value at `index` with two bits of headroom: mirrored about -1/2 below
// the start, zero beyond the end.
int32_t Tap(const int32_t* source, int32_t count, int64_t index) {
    if (index < 0) index = -index - 1;
    return index < count ? source[index] >> 2 : 0;
}

int32_t SaturatedStore(int32_t v, int32_t gain) {
    int32_t r = Wrap(int64_t{2} * mulhi(v, gain));
    const uint32_t top = static_cast<uint32_t>(r) >> 29;
    if (top != 0 && top != 7) r = r >= 0 ? 0x1FFFFFFF : -0x20000000;
    return Wrap(int64_t{r} * 4);
}

struct Prototype {
    const int32_t* wing;
    int32_t length;  // input samples per wing (c)
};

Prototype PrototypeOf(int32_t type) {
    switch (type) {
        case 0:
            return {kPrototype0, 4};
        case 1:
            return {kPrototype1, 8};
        case 2:
            return {kPrototype2, 12};
        default:
            return {kPrototype3, 16};
    }
}

}  // namespace
}  // namespace tonekit::resample

using namespace tonekit::resample;

extern "C" int32_t Interpolate(const int32_t* source, int32_t sourceCount, int32_t* destination,
                               int32_t destinationCount, int32_t gain) {
    if (!source || !destination || sourceCount <= 0 || destinationCount <= 0) return 0;
    const uint32_t q = static_cast<uint32_t>(sourceCount / destinationCount);
    const uint32_t f =
        udivhi(static_cast<uint32_t>(sourceCount) - q * static_cast<uint32_t>(destinationCount),
               static_cast<uint32_t>(destinationCount));
    // Start at step/2 + 1/2: output i samples the source at (i + 0.5) * step - 0.5.
    const uint64_t start = 0x80000000ull + (((q & 1u) << 31) | (f >> 1));
    int64_t k = q / 2 + static_cast<int64_t>(start >> 32);
    uint32_t phi = static_cast<uint32_t>(start);
    int32_t last = 0;
    for (int32_t i = 0; i < destinationCount; ++i) {
        const int32_t y0 = Tap(source, sourceCount, k - 2), y1 = Tap(source, sourceCount, k - 1);
        const int32_t y2 = Tap(source, sourceCount, k), y3 = Tap(source, sourceCount, k + 1);
        const int32_t a =
            Wrap(int64_t{ScaleBy(Wrap(int64_t{Third(y3)} - Third(y0) + y1 - y2), phi)} +
                 ((int64_t{y0} + y2) >> 1) - y1);
        const int32_t b =
            Wrap(int64_t{ScaleBy(a, phi)} + y2 - Third(y0) - ((int64_t{y1} + Third(y3)) >> 1));
        const int32_t v = Wrap(int64_t{ScaleBy(b, phi)} + y1);
        last = destination[i] = SaturatedStore(v, gain);
        const uint64_t advanced = uint64_t{phi} + f;
        phi = static_cast<uint32_t>(advanced);
        k += q + static_cast<int64_t>(advanced >> 32);
    }
    return last;
}

extern "C" int16_t* MakeFilter(int32_t phases, int32_t step, int32_t filterType, uint32_t* taps) {
    if (phases <= 0 || step < 0 || filterType < 0 || filterType > 3) return nullptr;
    const Prototype proto = PrototypeOf(filterType);
    const int64_t c = proto.length;
    const int64_t t64 =
        int64_t{(MAX)(static_cast<uint32_t>(phases), static_cast<uint32_t>(step))} * c / phases;
    if (t64 <= 0 || t64 * phases > (1 << 26)) return nullptr;
    const int32_t T = static_cast<int32_t>(t64);
    const int32_t gain =
        T <= c
            ? 0x7FFFFFFF
            : static_cast<int32_t>(udivhi(static_cast<uint32_t>(c), static_cast<uint32_t>(T)) / 2);
    const int32_t S = (T + 1) & ~1;
    auto* table =
        static_cast<int16_t*>(std::calloc(static_cast<size_t>(phases) * S, sizeof(int16_t)));
    if (!table) return nullptr;
    std::vector<int32_t> stretched(static_cast<size_t>(phases) * T);
    Interpolate(proto.wing, static_cast<int32_t>(32 * c), stretched.data(), phases * T, gain);
    for (int32_t p = 0; p < phases; ++p) {
        for (int32_t j = 0; j < T; ++j) {
            const int64_t x = stretched[static_cast<size_t>(j) * phases + p];
            table[static_cast<size_t>(p) * S + j] =
                static_cast<int16_t>(static_cast<uint16_t>((x + 65536) >> 16));
        }
    }
    if (taps) *taps = static_cast<uint32_t>(T);
    return table;
}
