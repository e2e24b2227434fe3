// The block rate converter, its filter and the quarter-cosine curve.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "audio/block_rate.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;
using tonekit::audio::ConvertBlockRate;

namespace {

WavInfo Format(uint32_t rate, uint32_t bits, uint32_t channels) {
    WavInfo info{};
    info.sampleRate = rate;
    info.bitsPerSample = bits;
    info.channels = channels;
    info.blockAlign = bits / 8 * channels;
    return info;
}

struct Converted {
    std::vector<int16_t> samples;
    double phase;
};

Converted ConvertRamp(const std::vector<int16_t>& in, const WavInfo& info, double step,
                      double phase, int outChannels = 2, int filter = 0, double* left = nullptr,
                      double* right = nullptr) {
    const Bytes bytes = Samples16(in);
    AudioBlock out{};
    const double next =
        ConvertBlockRate(bytes.data(), static_cast<uint32_t>(bytes.size()), &info, &out, step, 16,
                         outChannels, phase, filter, left, right, nullptr);
    Converted c{ToSamples16(Bytes(out.data, out.data + out.bytes)), next};
    std::free(out.data);
    return c;
}

// Mono frames 1000, 2000, ... so each output names the input frame it took.
const std::vector<int16_t> kRamp = {1000, 2000, 3000, 4000};

std::vector<int16_t> Expected(std::initializer_list<int> frames) {
    std::vector<int16_t> s;
    for (int f : frames) {
        const int16_t v = tonekit::audio::UnitToSample(tonekit::audio::SampleToUnit(kRamp[f]));
        s.push_back(v);
        s.push_back(v);
    }
    return s;
}

TEST(BlockRate, SampleRoundTripMovesTowardZero) {
    using tonekit::audio::SampleToUnit;
    using tonekit::audio::UnitToSample;
    EXPECT_EQ(UnitToSample(SampleToUnit(1000)), 999);
    EXPECT_EQ(UnitToSample(SampleToUnit(-1000)), -999);
    EXPECT_EQ(UnitToSample(SampleToUnit(1)), 0);
    EXPECT_EQ(UnitToSample(SampleToUnit(0)), 0);
    EXPECT_EQ(UnitToSample(SampleToUnit(32767)), 32767);
    // Beyond full scale the value is held, not wrapped.
    EXPECT_EQ(UnitToSample(1.5), 32767);
    EXPECT_EQ(UnitToSample(-1.5), -32768);
    EXPECT_EQ(UnitToSample(NAN), 0);
}

TEST(BlockRate, StepsThroughFramesAndCarriesThePhase) {
    const WavInfo mono = Format(44100, 16, 1);
    Converted half = ConvertRamp(kRamp, mono, 0.5, 0.0);
    EXPECT_EQ(half.samples, Expected({0, 0, 1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(half.phase, 0.0);

    Converted faster = ConvertRamp(kRamp, mono, 1.5, 0.0);
    EXPECT_EQ(faster.samples, Expected({0, 1, 3}));
    EXPECT_EQ(faster.phase, 0.5);

    Converted carried = ConvertRamp(kRamp, mono, 0.5, 0.75);
    EXPECT_EQ(carried.samples[0], Expected({0})[0]);
    EXPECT_EQ(carried.samples[2], Expected({1})[0]);
}

TEST(BlockRate, DownmixAveragesInDoublePrecision) {
    Converted c = ConvertRamp({1000, 0}, Format(44100, 16, 2), 1.0, 0.0, 1);
    EXPECT_EQ(c.samples, std::vector<int16_t>{499});
}

// Nothing is read past the block or the last whole frame, and blocks that are
// empty, invalid or would reach 2 GiB give an empty output.
TEST(BlockRate, EmptyInvalidAndOversizedBlocksGiveNothing) {
    EXPECT_TRUE(ConvertRamp({}, Format(44100, 16, 2), 1.0, 0.0).samples.empty());
    EXPECT_TRUE(ConvertRamp(kRamp, Format(44100, 16, 1), 0.0, 0.0).samples.empty());
    EXPECT_TRUE(ConvertRamp(kRamp, Format(44100, 16, 1), NAN, 0.0).samples.empty());
    EXPECT_TRUE(ConvertRamp(kRamp, Format(44100, 24, 1), 1.0, 0.0).samples.empty());

    const WavInfo info = Format(44100, 16, 2);
    uint8_t frame[4] = {};
    AudioBlock out{};
    ConvertBlockRate(frame, 1u << 20, &info, &out, 1.0 / 4096, 16, 2, 0.0, 0, nullptr, nullptr,
                     nullptr);
    ASSERT_NE(out.data, nullptr);
    EXPECT_EQ(out.bytes, 0u);
    std::free(out.data);

    const Bytes bytes = {1, 0, 2, 0, 3};  // two mono frames and a stray byte
    const WavInfo mono = Format(44100, 16, 1);
    ConvertBlockRate(bytes.data(), 5, &mono, &out, 0.25, 16, 1, 0.0, 0, nullptr, nullptr, nullptr);
    EXPECT_EQ(out.bytes, 16u);
    std::free(out.data);
}

// Level of a sine at `hz` after the converter's filter at the given cutoff, in
// the steady state.
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

TEST(AudioFilterTest, ConstantInputSettles) {
    double state[48] = {};
    double y = 0;
    for (int i = 0; i < 20000; ++i) y = AudioFilter(0.5, 1000, 0.0, 1.0, 44100, 0, 1, 0, state);
    EXPECT_NEAR(y, 0.5, 1e-9);

    double two[48] = {};
    for (int i = 0; i < 20000; ++i) y = AudioFilter(1.0, 7000, 0.0, 0.95, 44100, 0, 2, 0, two);
    EXPECT_NEAR(y, 0.9025, 1e-9);
}

TEST(AudioFilterTest, ConverterSettingsShapeTheBand) {
    EXPECT_NEAR(FilteredLevel(3000, 4100), 1.0, 0.15);
    EXPECT_NEAR(FilteredLevel(8000, 4100), 0.2, 0.07);
    EXPECT_NEAR(FilteredLevel(1000, 7000), 0.9, 0.05);
}

TEST(AudioFilterTest, StageCountIsHeldToTheState) {
    double state[48 + 8];
    std::fill(std::begin(state), std::end(state), 0.0);
    state[48] = 12345;  // a canary just past the state
    for (int i = 0; i < 10; ++i) AudioFilter(1.0, 5000, 0, 1, 44100, 0, 100, 0, state);
    EXPECT_EQ(state[48], 12345);
}

TEST(Lin2Log, QuarterCosineCurves) {
    EXPECT_NEAR(lin2log(0.5, 1.0, 1), 1 - std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(lin2log(0.5, 1.0, 0), std::sqrt(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(lin2log(25, 100, 3), lin2log(75, 100, 1));
    EXPECT_NEAR(lin2log(0, 100, 1), 0, 1e-12);
    EXPECT_NEAR(lin2log(100, 100, 1), 100, 1e-12);
}

}  // namespace
