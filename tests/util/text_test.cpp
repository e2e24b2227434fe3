// Substring, path, number and duration helpers and their result rings.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tonekit.h"

namespace {

using std::string;

TEST(Text, Substrings) {
    EXPECT_STREQ(mids("abcdef", 2, 3, 0), "cde");
    EXPECT_STREQ(mids("abcdef", 2, 10, 0), "cdef");
    EXPECT_STREQ(mids("abcdef", 2, 2, 1), "ef");
    EXPECT_STREQ(mids("abcdef", 6, 2, 0), "");
    EXPECT_STREQ(mids("abcdef", 1, -1, 0), "");
    EXPECT_STREQ(rights("/a/song.mp3", 3), "mp3");
    EXPECT_STREQ(cuts("song.mp3", 4), "song");
}

TEST(Text, CountsBeyondTheTextNeverReachBeforeIt) {
    EXPECT_STREQ(rights("/short", 20), "/short");
    EXPECT_STREQ(mids("abc", 5, 5, 1), "abc");
    EXPECT_STREQ(mids("abc", -4, 2, 0), "ab");
    EXPECT_STREQ(cuts("abc", 4), "");
    EXPECT_STREQ(cuts("abc", 3), "");
    EXPECT_STREQ(mids(nullptr, 0, 3, 0), "");
}

TEST(Text, LongTextsAreCutToTheSlot) {
    const string longText(5000, 'x');
    EXPECT_EQ(strlen(mids(longText.c_str(), 0, 5000, 0)), 1023u);
    EXPECT_EQ(strlen(cuts(longText.c_str(), 1)), 1023u);
    EXPECT_EQ(strlen(strslash(longText.c_str())), 0u);
    EXPECT_EQ(strlen(strrslash(longText.c_str())), 1023u);
    EXPECT_EQ(strlen(strcatmany(longText.c_str(), "y", nullptr, nullptr, nullptr)), 1279u);
}

TEST(Text, PathParts) {
    EXPECT_STREQ(strslash("/Music/a.wav"), "/Music/");
    EXPECT_STREQ(strrslash("/Music/a.wav"), "a.wav");
    EXPECT_STREQ(strslash("/A/B/"), "/A/B/");
    EXPECT_STREQ(strrslash("/A/B/"), "");
    EXPECT_STREQ(strslash("/"), "/");
    EXPECT_STREQ(strslash("song.mp3"), "");
    EXPECT_STREQ(strrslash("song.mp3"), "song.mp3");
}

TEST(Text, Joining) {
    EXPECT_STREQ(strcatmany("a", nullptr, "b", nullptr, "c"), "abc");
    EXPECT_STREQ(strcatmany(nullptr, nullptr, nullptr, nullptr, nullptr), "");
}

TEST(Text, Numbers) {
    EXPECT_STREQ(dw2sz(-42), "-42");
    EXPECT_STREQ(dw2sz(INT32_MIN), "-2147483648");
    EXPECT_STREQ(lzdw2sz(7, 2), "07");
    EXPECT_STREQ(lzdw2sz(123, 2), "123");
    EXPECT_STREQ(lzdw2sz(-5, 2), "-05");
    EXPECT_STREQ(lzdw2sz(0, 0), "");
    EXPECT_STREQ(lzdw2sz(3, -4), "3");
    // Every result that fits a 255-character slot is printf's own.
    EXPECT_EQ(std::string(lzdw2sz(1, 254)), std::string(253, '0') + "1");
    EXPECT_EQ(std::string(lzdw2sz(-1, 254)), "-" + std::string(253, '0') + "1");
    EXPECT_EQ(strlen(lzdw2sz(1, 100000)), 255u);
    EXPECT_EQ(strlen(lzdw2sz(-1, 100000)), 255u);
    EXPECT_EQ(std::string(fp2sz(-2.5, 251)), "-2.5" + std::string(250, '0'));
    EXPECT_EQ(strlen(fp2sz(12.0, 100000)), 255u);
    EXPECT_STREQ(fp2sz(1.0, 2), "1.00");
    EXPECT_STREQ(fp2sz(1.046, 2), "1.05");
    EXPECT_STREQ(fp2sz(3.0, 0), "3");
    EXPECT_EQ(strlen(fp2sz(1e300, 2)), 255u);
    EXPECT_EQ(percent(50, 200), 25.0);
    EXPECT_EQ(percent(0, 200), 0.0);
}

TEST(Text, Durations) {
    EXPECT_STREQ(nanosec2time(0), "0:00");
    EXPECT_STREQ(nanosec2time(2050000000), "3:25");
    EXPECT_STREQ(nanosec2time(70000000), "0:07");
    EXPECT_STREQ(nanosec2time(7250000000), "12:05");
    EXPECT_STREQ(nanosec2time(36000000000), "1:00:00");
    EXPECT_STREQ(nanosec2time(37230000000), "1:02:03");
    EXPECT_STREQ(nanosec2time(360000000000), "10:00:00");
    EXPECT_STREQ(nanosec2time(900000000000), "1:00:00");
    EXPECT_STREQ(nanosec2time(-5), "0:00");
}

TEST(ResultRings, TenSlotsPerHelper) {
    const char* first = dw2sz(1);
    const char* kept[9];
    for (int i = 0; i < 9; ++i) kept[i] = dw2sz(i + 2);
    EXPECT_STREQ(first, "1");
    dw2sz(11);
    EXPECT_STREQ(first, "11");
    for (int i = 0; i < 9; ++i) EXPECT_EQ(string(kept[i]), std::to_string(i + 2));
}

TEST(ResultRings, FormattersAdvanceTheHelpersTheyUse) {
    const char* d = dw2sz(77);
    const char* j = strcatmany("keep", nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 9; ++i) fp2sz(i, 1);
    EXPECT_STREQ(d, "77");
    EXPECT_STREQ(j, "keep");
    fp2sz(1, 1);
    EXPECT_STRNE(d, "77");
    EXPECT_STRNE(j, "keep");

    const char* m = mids("abc", 0, 1, 0);
    for (int i = 0; i < 10; ++i) rights("xyz", 1);
    EXPECT_STREQ(m, "z");
}

TEST(ResultRings, EachThreadHasItsOwn) {
    const char* mine = nanosec2time(2050000000);
    std::thread other([] {
        for (int i = 0; i < 1000; ++i) nanosec2time(static_cast<int64_t>(i) * 10000000);
    });
    other.join();
    EXPECT_STREQ(mine, "3:25");
}

}  // namespace
