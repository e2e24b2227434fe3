// FileSize and WaitTime.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

// Sizes beyond 31 bits are held at the largest that fits (a sparse file).
TEST(FileSizeTest, SizesAreHeldToThirtyOneBits) {
    TempDir dir;
    WriteFile(dir / "a", Bytes(44, 0));
    EXPECT_EQ(FileSize((dir / "a").c_str()), 44);
    EXPECT_EQ(FileSize((dir / "missing").c_str()), -1);
    ASSERT_EQ(truncate((dir / "a").c_str(), 5ll << 30), 0);
    EXPECT_EQ(FileSize((dir / "a").c_str()), INT32_MAX);
}

// The remaining time falls; a non-zero callback ends the wait with its value;
// waits beyond 2^31 ms report the largest remaining time that fits.
TEST(WaitTimeTest, CallsBackWithFallingRemainingTimeUntilStopped) {
    static std::vector<int32_t> remaining;
    WaitTime(50, [](int32_t left) {
        remaining.push_back(left);
        return 0;
    });
    ASSERT_GE(remaining.size(), 2u);
    EXPECT_LE(remaining.front(), 50);
    EXPECT_GT(remaining.back(), 0);
    EXPECT_TRUE(std::is_sorted(remaining.rbegin(), remaining.rend()));
    remaining.clear();
    EXPECT_EQ(WaitTime(0xFFFFFFF0u,
                       [](int32_t left) {
                           remaining.push_back(left);
                           return 5;
                       }),
              5);
    EXPECT_EQ(remaining, std::vector<int32_t>{INT32_MAX});
}

}  // namespace
