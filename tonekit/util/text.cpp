// Substring, path, number and duration helpers returning into result rings.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tonekit.h"
#include "util/result_ring.h"

namespace tonekit::util {
namespace {

using TextRing = ResultRing<char, 1024>;
using NumberRing = ResultRing<char, 256>;
constexpr int32_t kSlotChars = 255;  // a number slot's text, without its terminator

thread_local TextRing t_mids;
thread_local TextRing t_rights;
thread_local TextRing t_cuts;
thread_local TextRing t_strslash;
thread_local TextRing t_strrslash;
thread_local ResultRing<char, 1280> t_strcatmany;
thread_local NumberRing t_dw2sz;
thread_local NumberRing t_lzdw2sz;
thread_local NumberRing t_fp2sz;
thread_local ResultRing<char, 10> t_nanosec2time;

size_t Length(const char* text) {
    return text ? std::strlen(text) : 0;
}

// The slot copy of `text` with its last '/' found; null when there is none.
char* CopyAndFindLastSlash(TextRing& ring, const char* path, char** slot) {
    *slot = CopyInto<1024>(ring.Take(true), path ? path : "", Length(path));
    return std::strrchr(*slot, '/');
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace
}  // namespace tonekit::util

using namespace tonekit::util;

extern "C" char* mids(const char* text, int32_t start, int32_t count, int32_t fromEnd) {
    char* slot = t_mids.Take(true);
    const int64_t length = static_cast<int64_t>(Length(text));
    int64_t from = fromEnd ? length - start : start;
    if (from < 0) from = 0;  // never before the text's start
    if (from >= length || count <= 0) return slot;
    const int64_t available = length - from;
    const int64_t take = count < available ? count : available;
    return CopyInto<1024>(slot, text + from, static_cast<size_t>(take));
}

extern "C" char* rights(const char* text, int32_t n) {
    const char* tail = mids(text, n, n, 1);
    return CopyInto<1024>(t_rights.Take(true), tail, std::strlen(tail));
}

extern "C" char* cuts(const char* text, int32_t n) {
    char* slot = t_cuts.Take(true);
    const int64_t length = static_cast<int64_t>(Length(text));
    const int64_t keep = n < 0 ? length : length - n;
    if (keep <= 0) return slot;
    return CopyInto<1024>(slot, text, static_cast<size_t>(keep));
}

extern "C" char* strslash(const char* path) {
    char* slot;
    char* slash = CopyAndFindLastSlash(t_strslash, path, &slot);
    if (slash)
        slash[1] = '\0';
    else
        slot[0] = '\0';
    return slot;
}

extern "C" char* strrslash(const char* path) {
    char* slot;
    char* slash = CopyAndFindLastSlash(t_strrslash, path, &slot);
    return slash ? slash + 1 : slot;
}

extern "C" char* strcatmany(const char* a, const char* b, const char* c, const char* d,
                            const char* e) {
    char* slot = t_strcatmany.Take(true);
    size_t used = 0;
    for (const char* part : {a, b, c, d, e}) {
        if (!part) continue;
        const size_t room = decltype(t_strcatmany)::kMaxChars - used;
        const size_t n = std::min(std::strlen(part), room);
        std::memcpy(slot + used, part, n);
        used += n;
    }
    slot[used] = '\0';
    return slot;
}

extern "C" char* dw2sz(int32_t value) {
    char* slot = t_dw2sz.Take(true);
    std::snprintf(slot, 256, "%d", value);
    return slot;
}

namespace tonekit::util {
namespace {

// printf with the format `prefix` + precision + `conversion`, built with
// strcatmany and dw2sz (which advances their rings, as callers expect).
template <typename T>
char* FormatWithPrecision(ResultRing<char, 256>& ring, const char* prefix, int32_t precision,
                          const char* conversion, T value) {
    const char* format = strcatmany(prefix, dw2sz(precision), conversion, nullptr, nullptr);
    char* slot = ring.Take(true);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(slot, 256, format, value);
#pragma GCC diagnostic pop
    return slot;
}

}  // namespace
}  // namespace tonekit::util

// Precisions are held at what still fits the 255 characters of a slot, so
// every result that fits comes back exactly as printf makes it.
extern "C" char* lzdw2sz(int32_t value, int32_t digits) {
    // A negative precision means "none" to printf, which is precision 1.
    const int32_t fits = kSlotChars - (value < 0 ? 1 : 0);
    return FormatWithPrecision(t_lzdw2sz, "%.", digits < 0 ? 1 : Clamp(digits, 0, fits), "d",
                               value);
}

extern "C" char* fp2sz(double value, int32_t decimals) {
    // A negative precision means "none" to printf, which is 6 decimals.
    const int32_t whole = std::snprintf(nullptr, 0, "%.0f", value);
    const int32_t fits = kSlotChars - 1 - whole;  // the point and the whole part
    return FormatWithPrecision(
        t_fp2sz, "%0.", decimals < 0 ? 6 : Clamp(decimals, 0, fits > 0 ? fits : 0), "f", value);
}

extern "C" double percent(double part, double whole) {
    return 100.0 / (whole / part);
}

extern "C" char* nanosec2time(int64_t duration) {
    // A negative duration shows as zero rather than as a text too long for the slot.
    const double t = duration > 0 ? static_cast<double>(duration) : 0.0;
    const int32_t s = static_cast<int32_t>(std::fmod(t * 1e-7, 60.0));
    const int32_t m = static_cast<int32_t>(std::fmod(t * 1.6666666666666667e-9, 60.0));
    const int32_t h = static_cast<int32_t>(std::fmod(t * 2.7777777777777777e-11, 24.0));
    const char* clock = strcatmany(lzdw2sz(h, 2), ":", lzdw2sz(m, 2), ":", lzdw2sz(s, 2));
    char* slot = CopyInto<10>(t_nanosec2time.Take(true), clock, std::strlen(clock));
    int skip = 0;
    while (skip < 4 && (slot[skip] == '0' || slot[skip] == ':')) ++skip;
    return slot + skip;
}
