// Frame-for-frame width and channel conversion.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

Bytes Convert(const Bytes& input, int inBits, int outBits, int inCh, int outCh,
              SampleHook hook = nullptr) {
    Bytes copy = input;
    AudioBlock in{copy.data(), static_cast<uint32_t>(copy.size()), 0};
    AudioBlock out{};
    ConvertAudioBufferAlign(&in, &out, inBits, outBits, inCh, outCh, hook);
    EXPECT_NE(out.data, nullptr);
    Bytes result(out.data, out.data + out.bytes);
    std::free(out.data);
    return result;
}

struct Case {
    Bytes in;
    int inBits, outBits, inCh, outCh;
    Bytes out;
};

// 8-bit samples are offset by 128 and widen to the high byte; narrowing and
// downmixing truncate; a partial trailing frame stays zero; unsupported
// formats give nothing.
TEST(SampleFormat, ConvertsEveryWidthAndChannelCount) {
    const Case cases[] = {
        {{0x80, 0x00, 0xFF}, 8, 16, 1, 2, Samples16({0, 0, -32768, -32768, 32512, 32512})},
        {Samples16({-3, 0}), 16, 16, 2, 1, Samples16({-1})},
        {Samples16({1000, -1000}), 16, 8, 2, 2, {131, 124}},
        {Samples16({-1}), 16, 8, 1, 1, {127}},
        {{0, 255}, 8, 8, 2, 1, {127}},
        {{1, 2, 3, 4, 5, 6}, 16, 16, 2, 2, {1, 2, 3, 4, 0, 0}},
        {Bytes(12, 1), 24, 16, 2, 2, {}},
        {Bytes(12, 1), 16, 16, 6, 2, {}},
        {Bytes(12, 1), 16, 16, INT32_MAX, 2, {}},
        {Bytes(12, 1), INT32_MIN, 16, 2, INT32_MAX, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Convert(c.in, c.inBits, c.outBits, c.inCh, c.outCh), c.out);
    Bytes pcm(1000);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 31);
    EXPECT_EQ(Convert(pcm, 16, 16, 2, 2), pcm);
    EXPECT_EQ(Convert(Bytes(4096, 0), 16, 8, 2, 1).size(), 1024u);
}

TEST(SampleFormat, HookSeesThePairBeforeTheDownmix) {
    auto zeroRight = [](void* frame) { static_cast<int16_t*>(frame)[1] = 0; };
    EXPECT_EQ(Convert(Samples16({1001, 500, -7, 9}), 16, 16, 2, 1, zeroRight),
              Samples16({500, -3}));
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
