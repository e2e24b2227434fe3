// Substring, path, number and duration helpers and their result rings.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tonekit.h"

namespace {

using std::string;

TEST(Text, ResultsOfEveryHelper) {
    const string longText(5000, 'x');
    const std::pair<string, string> cases[] = {
        {mids("abcdef", 2, 3, 0), "cde"},
        {mids("abcdef", 2, 2, 1), "ef"},
        {mids("abcdef", 1, -1, 0), ""},
        // Counts beyond the text never reach before it.
        {mids("abc", 5, 5, 1), "abc"},
        {mids("abc", -4, 2, 0), "ab"},
        {mids(nullptr, 0, 3, 0), ""},
        {rights("/a/song.mp3", 3), "mp3"},
        {rights("/short", 20), "/short"},
        {cuts("song.mp3", 4), "song"},
        {cuts("abc", 4), ""},
        {strslash("/Music/a.wav"), "/Music/"},
        {strrslash("/Music/a.wav"), "a.wav"},
        {strslash("/A/B/"), "/A/B/"},
        {strrslash("/A/B/"), ""},
        {strrslash("song.mp3"), "song.mp3"},
        {strcatmany("a", nullptr, "b", nullptr, "c"), "abc"},
        {dw2sz(INT32_MIN), "-2147483648"},
        {lzdw2sz(7, 2), "07"},
        {lzdw2sz(-5, 2), "-05"},
        {lzdw2sz(0, 0), ""},
        {lzdw2sz(-1, 254), "-" + string(253, '0') + "1"},
        {fp2sz(1.046, 2), "1.05"},
        {fp2sz(-2.5, 251), "-2.5" + string(250, '0')},
        {nanosec2time(0), "0:00"},
        {nanosec2time(70000000), "0:07"},
        {nanosec2time(7250000000), "12:05"},
        {nanosec2time(37230000000), "1:02:03"},
        {nanosec2time(900000000000), "1:00:00"},
        {nanosec2time(-5), "0:00"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    EXPECT_EQ(percent(50, 200), 25.0);

    // Results are cut to their slots, whatever the precision asked for.
    const std::pair<const char*, size_t> lengths[] = {
        {mids(longText.c_str(), 0, 5000, 0), 1023},
        {cuts(longText.c_str(), 1), 1023},
        {strrslash(longText.c_str()), 1023},
        {strcatmany(longText.c_str(), "y", nullptr, nullptr, nullptr), 1279},
        {lzdw2sz(-1, 100000), 255},
        {fp2sz(12.0, 100000), 255},
        {fp2sz(1e300, 2), 255},
    };
    for (const auto& [text, length] : lengths) EXPECT_EQ(strlen(text), length);
}

// Ten slots a helper, per thread; a formatter advances the helpers it uses.
TEST(ResultRings, TenSlotsPerHelperAndThread) {
    const char* first = dw2sz(1);
    for (int i = 0; i < 9; ++i) dw2sz(i + 2);
    EXPECT_STREQ(first, "1");
    dw2sz(11);
    EXPECT_STREQ(first, "11");

    const char* j = strcatmany("keep", nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 9; ++i) fp2sz(i, 1);
    EXPECT_STREQ(j, "keep");
    fp2sz(1, 1);
    EXPECT_STRNE(j, "keep");

    const char* mine = nanosec2time(2050000000);
    std::thread other([] {
        for (int i = 0; i < 1000; ++i) nanosec2time(static_cast<int64_t>(i) * 10000000);
    });
    other.join();
    EXPECT_STREQ(mine, "3:25");
}

}  // namespace
