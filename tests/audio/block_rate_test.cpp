// The block rate converter and its filter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "audio/block_rate.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;
using tonekit::audio::UnitToSample;

namespace {

struct Converted {
    std::vector<int16_t> samples;
    double phase;
};

Converted Convert(const std::vector<int16_t>& in, uint32_t channels, double step, double phase,
                  int outChannels = 2, uint32_t bits = 16) {
    const WavInfo info{44100, bits, channels, 0, 0, bits / 8 * channels, 1};
    const Bytes bytes = Samples16(in);
    AudioBlock out{};
    const double next = tonekit::audio::ConvertBlockRate(
        bytes.data(), static_cast<uint32_t>(bytes.size()), &info, &out, step, 16, outChannels,
        phase, 0, nullptr, nullptr, nullptr);
    Converted c{ToSamples16(Bytes(out.data, out.data + out.bytes)), next};
    std::free(out.data);
    return c;
}

// Each value goes through the float scale and back, toward zero: 1000 -> 999.
std::vector<int16_t> Frames(std::initializer_list<int16_t> values) {
    std::vector<int16_t> s;
    for (int16_t v : values) s.insert(s.end(), {v, v});
    return s;
}

TEST(BlockRate, StepsThroughFramesAndCarriesThePhase) {
    EXPECT_EQ(UnitToSample(tonekit::audio::SampleToUnit(32767)), 32767);
    EXPECT_EQ(UnitToSample(-1.5), -32768);  // held beyond full scale, not wrapped
    EXPECT_EQ(UnitToSample(NAN), 0);
    const std::vector<int16_t> ramp = {1000, 2000, 3000, 4000};
    Converted half = Convert(ramp, 1, 0.5, 0.0);
    EXPECT_EQ(half.samples, Frames({999, 999, 1999, 1999, 2999, 2999, 3999, 3999}));
    EXPECT_EQ(half.phase, 0.0);
    Converted faster = Convert(ramp, 1, 1.5, 0.0);
    EXPECT_EQ(faster.samples, Frames({999, 1999, 3999}));
    EXPECT_EQ(faster.phase, 0.5);
    EXPECT_EQ(Convert(ramp, 1, 1.5, faster.phase).samples, Frames({999, 2999, 3999}));
    EXPECT_EQ(Convert({1000, 0}, 2, 1.0, 0.0, 1).samples, std::vector<int16_t>{499});
}

// Nothing is read past the block or the last whole frame, and blocks that are
// empty, invalid or would reach 2 GiB give an empty output.
TEST(BlockRate, EmptyInvalidAndOversizedBlocksGiveNothing) {
    EXPECT_TRUE(Convert({}, 2, 1.0, 0.0).samples.empty());
    EXPECT_TRUE(Convert({1, 2}, 1, 0.0, 0.0).samples.empty());
    EXPECT_TRUE(Convert({1, 2}, 1, NAN, 0.0).samples.empty());
    EXPECT_TRUE(Convert({1, 2, 3}, 1, 1.0, 0.0, 2, 24).samples.empty());
    const WavInfo info{44100, 16, 2, 0, 0, 4, 1};
    uint8_t frame[5] = {1, 0, 2, 0, 3};
    AudioBlock out{};
    tonekit::audio::ConvertBlockRate(frame, 1u << 20, &info, &out, 1.0 / 4096, 16, 2, 0.0, 0,
                                     nullptr, nullptr, nullptr);
    EXPECT_EQ(out.bytes, 0u);
    std::free(out.data);
    const WavInfo mono{44100, 16, 1, 0, 0, 2, 1};  // two frames and a stray byte
    tonekit::audio::ConvertBlockRate(frame, 5, &mono, &out, 0.25, 16, 1, 0.0, 0, nullptr, nullptr,
                                     nullptr);
    EXPECT_EQ(out.bytes, 16u);
    std::free(out.data);
}

// Level of a sine at `hz` after the filter the converter uses, in the steady state.
double FilteredLevel(double hz, double cutoff) {
    double state[48] = {};
    double peak = 0;
    for (int i = 0; i < 44100; ++i) {
        const double x = std::sin(2 * std::numbers::pi * hz * i / 44100.0);
        const double y = AudioFilter(x, cutoff, 0.0, 0.95, 44100, 0, 2, 0, state);
        if (i > 22050) peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

// The band as the converter shapes it. A constant settles at the gain of both
// stages through the low-pass, at 0 through the band-pass form and at itself
// through its high-pass; the stage count is held to the state's 16.
TEST(AudioFilterTest, PassesTheBandItIsSetTo) {
    EXPECT_NEAR(FilteredLevel(3000, 4100), 1.0, 0.15);
    EXPECT_NEAR(FilteredLevel(8000, 4100), 0.2, 0.07);
    EXPECT_NEAR(FilteredLevel(1000, 7000), 0.9, 0.05);
    for (const auto& [type, settled] : {std::pair{0, 0.9025}, {2, 0.0}, {3, 1.0}}) {
        double state[48 + 1] = {};
        state[48] = 12345;  // a canary just past the state
        double y = 0;
        for (int i = 0; i < 20000; ++i)
            y = AudioFilter(1.0, 7000, 0.0, 0.95, 44100, type, 2, 0, state);
        EXPECT_NEAR(y, settled, 1e-6) << type;
        for (int i = 0; i < 10; ++i) AudioFilter(1.0, 5000, 0, 1, 44100, 0, 100, 0, state);
        EXPECT_EQ(state[48], 12345);
    }
}

}  // namespace
