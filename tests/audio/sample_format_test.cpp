// Frame-for-frame width and channel conversion.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

Bytes Convert(const Bytes& input, int inBits, int outBits, int inCh, int outCh,
              SampleHook hook = nullptr, uint32_t* frameBytes = nullptr) {
    Bytes copy = input;
    AudioBlock in{copy.data(), static_cast<uint32_t>(copy.size()), 0};
    AudioBlock out{};
    ConvertAudioBufferAlign(&in, &out, inBits, outBits, inCh, outCh, hook);
    EXPECT_NE(out.data, nullptr);
    Bytes result(out.data, out.data + out.bytes);
    if (frameBytes) *frameBytes = out.frameBytes;
    std::free(out.data);
    return result;
}

TEST(SampleFormat, EightBitWidensAroundTheOffset) {
    const Bytes out = Convert({0x80, 0x00, 0xFF}, 8, 16, 1, 2);
    EXPECT_EQ(ToSamples16(out), (std::vector<int16_t>{0, 0, -32768, -32768, 32512, 32512}));
}

TEST(SampleFormat, NarrowingAndDownmixTruncate) {
    EXPECT_EQ(ToSamples16(Convert(Samples16({-3, 0}), 16, 16, 2, 1)), std::vector<int16_t>{-1});
    EXPECT_EQ(Convert(Samples16({1000, -1000}), 16, 8, 2, 2), (Bytes{131, 124}));
    EXPECT_EQ(Convert(Samples16({-1}), 16, 8, 1, 1), Bytes{127});
    EXPECT_EQ(Convert(Bytes{0, 255}, 8, 8, 2, 1), Bytes{127});
}

TEST(SampleFormat, SizesFollowTheFrameRatio) {
    uint32_t frameBytes = 0;
    EXPECT_EQ(Convert(Bytes(4096, 0), 16, 8, 2, 1, nullptr, &frameBytes).size(), 1024u);
    EXPECT_EQ(frameBytes, 1u);
    EXPECT_EQ(Convert(Bytes(10, 0), 8, 16, 1, 2).size(), 40u);
    EXPECT_TRUE(Convert(Bytes{}, 16, 16, 2, 2).empty());
}

TEST(SampleFormat, SameFormatIsAByteCopy) {
    Bytes pcm(1000);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 31);
    EXPECT_EQ(Convert(pcm, 16, 16, 2, 2), pcm);
    EXPECT_EQ(Convert(pcm, 8, 8, 1, 1), pcm);
}

TEST(SampleFormat, HookSeesThePairBeforeTheDownmix) {
    auto zeroRight = [](void* frame) { static_cast<int16_t*>(frame)[1] = 0; };
    EXPECT_EQ(ToSamples16(Convert(Samples16({1001, 500, -7, 9}), 16, 16, 2, 1, zeroRight)),
              (std::vector<int16_t>{500, -3}));
}

TEST(SampleFormat, PartialTrailingFrameStaysZeroAndUnsupportedFormatsGiveNothing) {
    const Bytes out = Convert(Bytes{1, 2, 3, 4, 5, 6}, 16, 16, 2, 2);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 0, 0}));
    EXPECT_TRUE(Convert(Bytes(12, 1), 24, 16, 2, 2).empty());
    EXPECT_TRUE(Convert(Bytes(12, 1), 16, 16, 6, 2).empty());
    EXPECT_TRUE(Convert(Bytes(12, 1), 16, 16, INT32_MAX, 2).empty());
    EXPECT_TRUE(Convert(Bytes(12, 1), INT32_MIN, 16, 2, INT32_MAX).empty());
}

// A block whose result would not fit 31 bits is refused before any byte is
// touched: 1 GiB of 8-bit mono would be 4 GiB of 16-bit stereo.
TEST(SampleFormat, ResultsTooLargeForABlockAreRefused) {
    uint8_t byte = 0x80;
    const AudioBlock in{&byte, 1u << 30, 1};
    AudioBlock out{};
    ConvertAudioBufferAlign(&in, &out, 8, 16, 1, 2, nullptr);
    ASSERT_NE(out.data, nullptr);
    EXPECT_EQ(out.bytes, 0u);
    std::free(out.data);
}

}  // namespace
