// Narrow (UTF-8) and wide (UTF-16) text conversion.
#include <gtest/gtest.h>

#include <string>

#include "tonekit.h"

namespace {

std::u16string Wide(const char* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(sz2wide(text)));
}

TEST(WideText, RoundTripsAllPlanesAndReplacesMalformedInput) {
    const char* text = "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5.mp3";  // é, €, a musical note
    EXPECT_EQ(Wide(text), u"Caf\u00E9 \u20AC \U0001F3B5.mp3");
    EXPECT_STREQ(wide2sz(sz2wide(text)), text);
    EXPECT_EQ(Wide(nullptr), u"");
    // A stray byte, a cut sequence and an overlong form of NUL.
    EXPECT_EQ(Wide("a\xFF"
                   "b\xC3"
                   "c\xE0\x80\x80"),
              u"a\uFFFDb\uFFFDc\uFFFD");
    const uint16_t lone[] = {'x', 0xD800, 'y', 0xDC00, 0};
    EXPECT_STREQ(wide2sz(lone), "x?y?");
}

TEST(WideText, LongTextsAreCutAtWholeCharacters) {
    std::string note;
    for (int i = 0; i < 600; ++i) note += "\xF0\x9F\x8E\xB5";
    EXPECT_EQ(Wide(note.c_str()).size(), 1022u);  // 511 pairs; the 512th would not fit
    std::u16string euros(1000, u'\u20AC');
    EXPECT_EQ(strlen(wide2sz(reinterpret_cast<const uint16_t*>(euros.c_str()))), 1023u - 1023u % 3);
}

}  // namespace
