// UTF-8 <-> UTF-16 conversion into result rings. Malformed input becomes the
// replacement character (wide) or '?' (narrow); results are cut at whole
// characters to fit their 1023-unit slots.
#include <cstdint>

#include "tonekit.h"
#include "util/result_ring.h"

namespace tonekit::util {
namespace {

thread_local ResultRing<uint16_t, 1024> t_sz2wide;
thread_local ResultRing<char, 1024> t_wide2sz;

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at `s`, advancing it; malformed bytes give U+FFFD.
char32_t NextUtf8(const unsigned char*& s) {
    const unsigned char lead = *s++;
    if (lead < 0x80) return lead;
    int extra;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, cp = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if ((*s & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (*s++ & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

// Decodes one UTF-16 character at `s`, advancing it; a lone surrogate gives 0.
char32_t NextUtf16(const uint16_t*& s) {
    const char32_t unit = *s++;
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && *s >= 0xDC00 && *s <= 0xDFFF) {
        return 0x10000 + ((unit - 0xD800) << 10) + (*s++ - 0xDC00);
    }
    return 0;
}

int EncodeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

}  // namespace
}  // namespace tonekit::util

using namespace tonekit::util;

extern "C" uint16_t* sz2wide(const char* text) {
    uint16_t* slot = t_sz2wide.Take(false);
    size_t used = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text ? text : "");
    constexpr size_t kMax = decltype(t_sz2wide)::kMaxChars;
    while (*s) {
        const char32_t cp = NextUtf8(s);
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (used + units > kMax) break;
        if (units == 2) {
            slot[used++] = static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10));
            slot[used++] = static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            slot[used++] = static_cast<uint16_t>(cp);
        }
    }
    slot[used] = 0;
    return slot;
}

extern "C" char* wide2sz(const uint16_t* wtext) {
    char* slot = t_wide2sz.Take(false);
    size_t used = 0;
    static const uint16_t kEmpty[1] = {0};
    const uint16_t* s = wtext ? wtext : kEmpty;
    constexpr size_t kMax = decltype(t_wide2sz)::kMaxChars;
    while (*s) {
        const char32_t cp = NextUtf16(s);
        char bytes[4];
        const int n = cp ? EncodeUtf8(cp, bytes) : (bytes[0] = '?', 1);
        if (used + n > kMax) break;
        for (int i = 0; i < n; ++i) slot[used++] = bytes[i];
    }
    slot[used] = '\0';
    return slot;
}
