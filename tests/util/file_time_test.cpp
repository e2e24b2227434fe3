// FileSize and WaitTime.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

TEST(FileSizeTest, SizesWritableFilesOnly) {
    TempDir dir;
    WriteFile(dir / "a", Bytes(44, 0));
    EXPECT_EQ(FileSize((dir / "a").c_str()), 44);
    EXPECT_EQ(FileSize((dir / "missing").c_str()), -1);
    EXPECT_EQ(FileSize(nullptr), -1);
    if (geteuid() != 0) {  // root may open anything for update
        chmod((dir / "a").c_str(), 0444);
        EXPECT_EQ(FileSize((dir / "a").c_str()), -1);
    }
}

// Sizes beyond 31 bits are held at the largest that fits (a sparse file).
TEST(FileSizeTest, HugeFilesAreHeldAtTheLargestSize) {
    TempDir dir;
    const std::string path = dir / "huge";
    WriteFile(path, Bytes{});
    ASSERT_EQ(truncate(path.c_str(), 5ll << 30), 0);
    EXPECT_EQ(FileSize(path.c_str()), INT32_MAX);
}

std::vector<int32_t> g_remaining;

TEST(WaitTimeTest, CallsBackWithFallingRemainingTime) {
    g_remaining.clear();
    WaitTime(50, [](int32_t remaining) {
        g_remaining.push_back(remaining);
        return 0;
    });
    ASSERT_GE(g_remaining.size(), 2u);
    EXPECT_LE(g_remaining.front(), 50);
    EXPECT_GT(g_remaining.back(), 0);
    for (size_t i = 1; i < g_remaining.size(); ++i) EXPECT_LE(g_remaining[i], g_remaining[i - 1]);
}

// A non-zero callback ends the wait with its value; waits beyond 2^31 ms
// report the largest remaining time that fits, never a negative one.
TEST(WaitTimeTest, ANonZeroCallbackEndsTheWait) {
    static int32_t first;
    first = 0;
    EXPECT_EQ(WaitTime(0xFFFFFFF0u,
                       [](int32_t remaining) {
                           first = remaining;
                           return 5;
                       }),
              5);
    EXPECT_EQ(first, INT32_MAX);
    EXPECT_EQ(WaitTime(0, nullptr), 0);
}

}  // namespace
