// The fixed-point polyphase resampler: helpers, state records, streaming
// invariants, timing and saturation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "resample/polyphase_process.h"
#include "resample/prototype_tables.h"
#include "test_seams.h"
#include "tonekit.h"

namespace {

using StatePtr = std::unique_ptr<ResamplerState, decltype(&FreeResampler)>;

StatePtr Make(uint32_t in, uint32_t out, int channels = 2, int type = 3) {
    return StatePtr(InitResampler(in, out, channels, type), FreeResampler);
}

TEST(ResamplerHelpers, ExactValues) {
    EXPECT_EQ(gcd(12, 18), 6u);
    EXPECT_EQ(gcd(44100, 48000), 300u);
    EXPECT_EQ(gcd(7, 0), 7u);
    EXPECT_EQ(udivhi(1, 3), 0x55555555u);
    EXPECT_EQ(udivhi(1, 2), 0x80000000u);  // a remainder equal to the divisor
    EXPECT_EQ(udivhi(43973, 44101), static_cast<uint32_t>((uint64_t{43973} << 32) / 44101));
    EXPECT_EQ(udivhi(5, 0), 0xFFFFFFFFu);  // outside the contract, but defined
    EXPECT_EQ(mulhi(0x40000000, 8), 2);
    EXPECT_EQ(mulhi(-1, 1), -1);
    EXPECT_EQ(mulhi(INT32_MIN, INT32_MIN), 0x40000000);
}

TEST(ResamplerInit, RefusesWhatCannotBeResampled) {
    EXPECT_EQ(InitResampler(44100, 44100, 2, 3), nullptr);
    EXPECT_EQ(InitResampler(0, 44100, 2, 3), nullptr);
    EXPECT_EQ(InitResampler(44100, 0, 2, 3), nullptr);
    EXPECT_EQ(InitResampler(1, 22050, 2, 3), nullptr);  // more than 256 times apart
    EXPECT_EQ(InitResampler(192000, 700, 2, 3), nullptr);
    EXPECT_EQ(InitResampler(44100, 48000, 2, 4), nullptr);
    EXPECT_EQ(InitResampler(44100, 48000, 2, -1), nullptr);
    FreeResampler(nullptr);
    EXPECT_TRUE(Make(256000, 1000) && Make(1000, 256000)) << "256 times apart is within reach";
}

// The records of some rate pairs: phases, step, taps, history and the routine;
// any channel count but 1 is interleaved stereo.
TEST(ResamplerInit, RatePairsGiveTheirPhasesStepsAndTaps) {
    struct Pair {
        uint32_t in, out;
        int channels;
        uint32_t phases, step;
        int taps, history;
        bool interpolating;
    };
    for (const Pair& p :
         {Pair{44100, 48000, 2, 160, 147, 16, 64, false},
          Pair{8000, 44100, 1, 441, 80, 16, 32, false}, Pair{44100, 22050, 2, 1, 2, 32, 128, false},
          Pair{48000, 8000, 2, 1, 6, 96, 384, false},
          Pair{44100, 48000, 6, 160, 147, 16, 64, false},
          Pair{44100, 44101, 2, 128, 127, 16, 66, true}}) {
        SCOPED_TRACE(testing::Message() << p.in << "->" << p.out);
        const StatePtr s = Make(p.in, p.out, p.channels);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->phases, p.phases);
        EXPECT_EQ(s->step, p.step);
        EXPECT_EQ(s->taps, p.taps);
        EXPECT_EQ(s->historyLength, p.history);
        EXPECT_EQ(s->fracStep != 0, p.interpolating);
        EXPECT_EQ(s->channels, p.channels == 1 ? 1 : 2);
        EXPECT_EQ(s->process, tonekit::resample::ChooseProcess(s->channels, p.interpolating));
    }
    EXPECT_EQ(Make(639, 640)->fracStep, 0u) << "640 phases are still exact";
    // 44100 -> 44101: the 0.32 fraction of 128 * 44100 / 44101.
    EXPECT_EQ(Make(44100, 44101)->fracStep, static_cast<uint32_t>((uint64_t{43973} << 32) / 44101));
    // 48000 -> 8000: every output uses row 0 for both wings.
    const StatePtr sixth = Make(48000, 8000);
    EXPECT_EQ(sixth->backRow, sixth->foreRow);
}

// The built filter passes DC at unity: every pair of mirrored rows adds to
// 32,768 plus the rounding bias of its taps. So does each prototype, from
// every one of its 32 offsets.
TEST(ResamplerFilter, RowPairsAddToUnityPlusTheRoundingBias) {
    const StatePtr s = Make(44100, 48000);
    const int S = 16, L = 160, T = s->taps;
    for (int p = 0; p < L; ++p) {
        int sum = 0;
        for (int j = 0; j < T; ++j) sum += s->filter[p * S + j] + s->filter[(L - 1 - p) * S + j];
        EXPECT_NEAR(sum, 32768 + T / 2, 40) << "phase " << p;  // 32745 to 32801
    }
    using namespace tonekit::resample;
    for (auto [wing, size, tolerance] : {std::tuple{kPrototype0, 128, 0.002},
                                         {kPrototype1, 256, 0.0003},
                                         {kPrototype2, 384, 0.0003},
                                         {kPrototype3, 512, 0.0003}}) {
        for (int o = 0; o < 32; ++o) {
            double taps = 0;
            for (int j = 0; j < size / 32; ++j)
                taps += static_cast<double>(wing[32 * j + o]) + wing[32 * j + 31 - o];
            EXPECT_NEAR(taps / 2147483648.0, 1.0, tolerance) << size << " offset " << o;
        }
    }
    uint32_t taps = 0;
    int16_t* odd = MakeFilter(3, 7, 0, &taps);  // downsampling by 7/3: T = 9, rows of 10
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(taps, 9u);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(odd[p * 10 + 9], 0) << "padding of an odd row";
    std::free(odd);
}

// Interpolate stretches a smooth curve onto a finer grid: output i lies on the
// curve at source position (i + 0.5) * 64 / 150 - 0.5; full scale saturates.
TEST(ResamplerFilter, InterpolateStretchesASmoothCurve) {
    std::vector<int32_t> src(64), dst(150);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<int32_t>(1e9 * std::cos(i * 0.11));
    Interpolate(src.data(), 64, dst.data(), 150, 0x7FFFFFFF);
    for (int i = 8; i < 140; ++i)
        EXPECT_NEAR(dst[i] / 1e9, std::cos(((i + 0.5) * 64 / 150 - 0.5) * 0.11), 5e-4) << i;
    std::vector<int32_t> loud(8, 0x7FFFFFFF), out(8);
    Interpolate(loud.data(), 8, out.data(), 8, 0x7FFFFFFF);
    for (int32_t v : out) EXPECT_LE(v, 0x7FFFFFFC);
}

std::vector<int16_t> Noise(size_t count, int seed = 1) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-20000, 20000);
    std::vector<int16_t> v(count);
    for (auto& s : v) s = static_cast<int16_t>(value(random));
    return v;
}

std::vector<int16_t> ResampleInBlocks(ResamplerState* s, const std::vector<int16_t>& in,
                                      const std::vector<int>& frameBlocks) {
    std::vector<int16_t> out;
    size_t at = 0;
    for (size_t b = 0; at < in.size(); ++b) {
        const size_t n = std::min(
            in.size() - at, static_cast<size_t>(frameBlocks[b % frameBlocks.size()]) * s->channels);
        std::vector<int16_t> block(static_cast<size_t>(s->channels) *
                                   (n / s->channels * s->phases / s->step + 4));
        const int32_t written = Resample(in.data() + at, static_cast<int32_t>(n), block.data(), s);
        EXPECT_LE(static_cast<size_t>(written), block.size());
        out.insert(out.end(), block.begin(), block.begin() + written);
        at += n;
    }
    return out;
}

TEST(ResamplerStream, BlockSizesDoNotChangeTheOutput) {
    const std::pair<uint32_t, uint32_t> pairs[] = {{44100, 48000}, {48000, 44100}, {44100, 22050},
                                                   {8000, 44100},  {44100, 44101}, {48000, 8000}};
    std::mt19937 random(3);
    for (auto [in, out] : pairs) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << in << "->" << out << " ch " << channels);
            const auto input = Noise(static_cast<size_t>(channels) * 6000);
            const auto whole = ResampleInBlocks(Make(in, out, channels).get(), input, {100000});
            std::vector<int> randomSizes(50);
            for (auto& n : randomSizes) n = 1 + static_cast<int>(random() % 700);
            EXPECT_EQ(ResampleInBlocks(Make(in, out, channels).get(), input, randomSizes), whole);
            EXPECT_EQ(ResampleInBlocks(Make(in, out, channels).get(), input, {1}), whole);
            EXPECT_EQ(ResampleInBlocks(Make(in, out, channels).get(), input, {3, 17, 5}), whole);
        }
    }
}

TEST(ResamplerStream, ShortBlocksAreKeptInTheHistory) {
    const StatePtr s = Make(44100, 22050);
    std::vector<int16_t> out(64);
    const std::vector<int16_t> tiny{1000, -1000};
    EXPECT_EQ(Resample(tiny.data(), 1, out.data(), s.get()), 0);  // half a frame: nothing
    EXPECT_EQ(Resample(nullptr, 4, out.data(), s.get()), 0);
    int written = 0;
    for (int i = 0; i < 40; ++i) written += Resample(tiny.data(), 2, out.data(), s.get());
    EXPECT_EQ(written, 2 * 20);
    EXPECT_TRUE(out[0] > 0 && out[1] < 0) << "the channels stay in place";
}

// Every output of an exact ratio, recomputed tap by tap from the table: output k
// has phase p = kM mod L and centre n = 1 - T + floor(kM / L); silence before
// the stream.
TEST(ResamplerStream, OutputsAreTheWingSumsOfTheirPhase) {
    for (bool wide : {true, false}) {  // 256-bit and 128-bit routines alike
        tonekit::resample::AllowAvx2(wide);
        for (auto [in, out] :
             {std::pair{44100u, 48000u}, {48000u, 44100u}, {8000u, 44100u}, {44100u, 22050u}}) {
            for (int channels : {1, 2}) {
                const StatePtr s = Make(in, out, channels);
                std::vector<int16_t> x = Noise(static_cast<size_t>(channels) * 3000, 9);
                for (size_t i = 0; i < x.size(); i += 37) x[i] = i % 2 ? -32768 : 32767;
                const long L = s->phases, M = s->step, T = s->taps, S = (T + 1) & ~1;
                const auto y = ResampleInBlocks(s.get(), x, {1000});
                auto at = [&](long frame, int ch) {
                    return frame < 0 ? 0 : x[static_cast<size_t>(frame * channels + ch)];
                };
                for (size_t k = 0; k < y.size(); ++k) {
                    const long f = static_cast<long>(k) / channels,
                               ch = static_cast<long>(k) % channels;
                    const long p = f * M % L, n = 1 - T + f * M / L;
                    int64_t sum = 16384;
                    for (long j = 0; j < T; ++j)
                        sum += at(n + j, ch) * s->filter[(L - 1 - p) * S + j] +
                               at(n - 1 - j, ch) * s->filter[p * S + j];
                    ASSERT_EQ(y[k], std::clamp<int64_t>(sum >> 15, -32768, 32767))
                        << in << "->" << out << " ch " << channels << " sample " << k;
                }
            }
        }
    }
    tonekit::resample::AllowAvx2(true);
}

// Output k of an exact ratio estimates the input at (k*M + 0.5)/L - T frames:
// a lag off by half a frame would miss by over 300 here; the 200 allowed is the
// passband's gain at this low frequency (the tables trade up to 2 % of it for
// their stopband: 1.1 % at 300 Hz of 8 kHz) and the error of the interpolated rows.
TEST(ResamplerStream, OutputsLagTheInputByTheFilterReach) {
    for (auto [in, out] : {std::pair{44100u, 48000u}, {48000u, 44100u}, {8000u, 44100u}}) {
        const StatePtr s = Make(in, out, 1);
        const double w = 2 * std::numbers::pi * 300.0 / in;
        std::vector<int16_t> input(20000);
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<int16_t>(16000 * std::sin(w * i));
        const auto result = ResampleInBlocks(s.get(), input, {4096});
        for (size_t k = 200; k < result.size(); k += 97) {
            const double t = (k * s->step + 0.5) / s->phases - s->taps;
            EXPECT_NEAR(result[k], 16000 * std::sin(w * t), 200) << in << "->" << out << " k " << k;
        }
    }
}

TEST(ResamplerStream, FullScaleOvershootSaturates) {
    const StatePtr s = Make(44100, 48000, 1);
    std::vector<int16_t> square(8000);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 40) % 2 ? -32768 : 32767;
    const auto result = ResampleInBlocks(s.get(), square, {1000});
    int top = 0, bottom = 0;
    for (size_t k = 100; k < result.size(); ++k) {
        top += result[k] == 32767;
        bottom += result[k] == -32768;
        // Inside each half period the sign never flips, as it would on a wrap.
        const double t = (k * s->step + 0.5) / s->phases - s->taps;
        const double inPeriod = std::fmod(t, 80.0);
        if (inPeriod > 10 && inPeriod < 30) {
            EXPECT_GT(result[k], 20000) << k;
        } else if (inPeriod > 50 && inPeriod < 70) {
            EXPECT_LT(result[k], -20000) << k;
        }
    }
    EXPECT_GT(top, 0);
    EXPECT_GT(bottom, 0);
}

}  // namespace
