// The polyphase resampler next to soxr and libsamplerate: throughput, and the
// quality measures of a converter (sine SNR, alias/image rejection, passband
// flatness), for the same rate pairs in one run.
#include <samplerate.h>
#include <soxr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "fft.h"
#include "tonekit.h"

namespace {

using Samples = std::vector<int16_t>;  // interleaved stereo
using Convert = std::function<Samples(const Samples&, uint32_t, uint32_t)>;

constexpr size_t kBlockFrames = 8192;

Samples Ours(const Samples& in, uint32_t from, uint32_t to) {
    ResamplerState* s = InitResampler(from, to, 2, 3);
    Samples out;
    std::vector<int16_t> block;
    for (size_t at = 0; at < in.size(); at += 2 * kBlockFrames) {
        const size_t n = std::min(in.size() - at, 2 * kBlockFrames);
        block.resize(2 * (n / 2 * s->phases / s->step + 8));
        const int32_t written = Resample(in.data() + at, static_cast<int32_t>(n), block.data(), s);
        out.insert(out.end(), block.begin(), block.begin() + written);
    }
    FreeResampler(s);
    return out;
}

Convert Soxr(unsigned long quality) {
    return [quality](const Samples& in, uint32_t from, uint32_t to) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const soxr_quality_spec_t q = soxr_quality_spec(quality, 0);
        soxr_t s = soxr_create(from, to, 2, nullptr, &io, &q, nullptr);
        Samples out;
        std::vector<int16_t> block(2 * (kBlockFrames * to / from + 64));
        for (size_t at = 0;; at += 2 * kBlockFrames) {
            const size_t n = at < in.size() ? std::min(in.size() - at, 2 * kBlockFrames) : 0;
            size_t used = 0, made = 0;
            soxr_process(s, n ? in.data() + at : nullptr, n / 2, &used, block.data(),
                         block.size() / 2, &made);
            out.insert(out.end(), block.begin(), block.begin() + 2 * made);
            if (!n && !made) break;
        }
        soxr_delete(s);
        return out;
    };
}

Convert Src(int type) {
    return [type](const Samples& in, uint32_t from, uint32_t to) {
        int error = 0;
        SRC_STATE* s = src_new(type, 2, &error);
        const double ratio = static_cast<double>(to) / from;
        std::vector<float> fin(2 * kBlockFrames),
            fout(2 * (static_cast<size_t>(kBlockFrames * ratio) + 64));
        Samples out;
        std::vector<int16_t> block(fout.size());
        for (size_t at = 0;; at += 2 * kBlockFrames) {
            const size_t n = at < in.size() ? std::min(in.size() - at, 2 * kBlockFrames) : 0;
            src_short_to_float_array(in.data() + at, fin.data(), static_cast<int>(n));
            SRC_DATA d{fin.data(),
                       fout.data(),
                       static_cast<long>(n / 2),
                       static_cast<long>(fout.size() / 2),
                       0,
                       0,
                       n == 0,
                       ratio};
            src_process(s, &d);
            src_float_to_short_array(fout.data(), block.data(),
                                     static_cast<int>(2 * d.output_frames_gen));
            out.insert(out.end(), block.begin(), block.begin() + 2 * d.output_frames_gen);
            if (n == 0) break;
        }
        src_delete(s);
        return out;
    };
}

Samples Tone(double hz, uint32_t rate, double seconds, double amplitude) {
    Samples s(2 * static_cast<size_t>(rate * seconds));
    for (size_t i = 0; i < s.size() / 2; ++i)
        s[2 * i] = s[2 * i + 1] = static_cast<int16_t>(
            std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return s;
}

Samples Noise(uint32_t rate, double seconds) {
    Samples s(2 * static_cast<size_t>(rate * seconds));
    uint32_t x = 12345;
    for (auto& v : s) v = static_cast<int16_t>(((x = x * 1664525 + 1013904223) >> 17) - 16384);
    return s;
}

// The left channel between 20 % and 80 % of the output, away from the edges.
std::vector<double> Middle(const Samples& out) {
    const size_t frames = out.size() / 2;
    std::vector<double> v;
    for (size_t i = frames / 5; i < frames * 4 / 5; ++i) v.push_back(out[2 * i]);
    return v;
}

// Least-squares fit of a sine at `hz` (with offset); returns amplitude and the
// residual's power.
std::pair<double, double> FitSine(const std::vector<double>& y, double hz, uint32_t rate) {
    double m[3][4] = {};
    for (size_t i = 0; i < y.size(); ++i) {
        const double w = 2 * std::numbers::pi * hz * i / rate;
        const double b[3] = {std::sin(w), std::cos(w), 1};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m[r][c] += b[r] * b[c];
            m[r][3] += b[r] * y[i];
        }
    }
    for (int p = 0; p < 3; ++p)
        for (int r = 0; r < 3; ++r)
            if (r != p) {
                const double f = m[r][p] / m[p][p];
                for (int c = 0; c < 4; ++c) m[r][c] -= f * m[p][c];
            }
    const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], dc = m[2][3] / m[2][2];
    double residual = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        const double w = 2 * std::numbers::pi * hz * i / rate;
        const double e = y[i] - (a * std::sin(w) + b * std::cos(w) + dc);
        residual += e * e;
    }
    return {std::hypot(a, b), residual / y.size()};
}

// Magnitude spectrum (Blackman-Harris window, 65,536 points) scaled so that a
// full-scale sine reads 1.0.
std::vector<double> Spectrum(const std::vector<double>& y) {
    const size_t n = 65536;
    std::vector<std::complex<double>> a(n);
    double gain = 0;
    for (size_t i = 0; i < n && i < y.size(); ++i) {
        const double x = 2 * std::numbers::pi * i / (n - 1);
        const double w =
            0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        a[i] = y[i] * w;
        gain += w;
    }
    bench::Fft(a);
    std::vector<double> mag(n / 2);
    for (size_t k = 0; k < n / 2; ++k) mag[k] = 2 * std::abs(a[k]) / gain / 32767;
    return mag;
}

double Db(double v) {
    return 20 * std::log10(std::max(v, 1e-12));
}

struct Quality {
    double snr, spur, above, flatness;
};

// Flatness is measured up to 18 kHz, or 90 % of the lower Nyquist frequency.
double FlatnessLimit(uint32_t from, uint32_t to) {
    return std::min(18000.0, 0.45 * std::min(from, to));
}

Quality Measure(const Convert& convert, uint32_t from, uint32_t to) {
    Quality q{};
    const double amplitude = std::pow(10.0, -1 / 20.0);
    const auto [level, noise] =
        FitSine(Middle(convert(Tone(1000, from, 3, amplitude), from, to)), 1000, to);
    q.snr = 10 * std::log10(level * level / 2 / noise);

    // A 20 kHz tone: the largest other component within 0-22.05 kHz, and above
    // 22.05 kHz when the output reaches that far.
    const auto mag = Spectrum(Middle(convert(Tone(20000, from, 4, amplitude), from, to)));
    const double binHz = static_cast<double>(to) / 65536;
    const size_t tone = static_cast<size_t>(std::lround(20000 / binHz));
    double spur = 0, above = 0;
    for (size_t k = 8; k < mag.size(); ++k) {
        const double hz = k * binHz;
        if (k + 12 > tone && k < tone + 12 && 20000 < to / 2.0) continue;
        if (hz <= 22050)
            spur = std::max(spur, mag[k]);
        else
            above = std::max(above, mag[k]);
    }
    q.spur = Db(spur / amplitude);
    q.above = to / 2.0 > 22100 ? Db(above / amplitude) : NAN;

    double lo = 1e9, hi = -1e9;
    for (double hz = 100; hz <= FlatnessLimit(from, to); hz += hz < 1000 ? 300 : 1000) {
        const double gain =
            FitSine(Middle(convert(Tone(hz, from, 0.5, 0.5), from, to)), hz, to).first /
            (0.5 * 32767);
        lo = std::min(lo, Db(gain));
        hi = std::max(hi, Db(gain));
    }
    q.flatness = hi - lo;
    return q;
}

double FramesPerSecond(const Convert& convert, const Samples& input, uint32_t from, uint32_t to) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const Samples out = convert(input, from, to);
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return input.size() / 2 / best;
}

}  // namespace

int main() {
    const std::pair<const char*, Convert> converters[] = {
        {"tonekit type 3", Ours},
        {"soxr HQ", Soxr(SOXR_HQ)},
        {"soxr quick", Soxr(SOXR_QQ)},
        {"SRC_SINC_FASTEST", Src(SRC_SINC_FASTEST)},
        {"SRC_SINC_BEST_QUALITY", Src(SRC_SINC_BEST_QUALITY)},
    };
    const std::pair<uint32_t, uint32_t> pairs[] = {
        {44100, 48000}, {48000, 44100}, {44100, 22050}, {44100, 44101}};
    for (auto [from, to] : pairs) {
        std::printf("\n%u -> %u Hz, stereo (flatness to %.0f Hz)\n", from, to,
                    FlatnessLimit(from, to));
        std::printf("%-24s %12s %9s %11s %12s %11s\n", "converter", "Mframes/s", "SNR dB",
                    "spur dB", ">22.05k dB", "flat dB");
        const Samples input = Noise(from, 60);
        for (const auto& [name, convert] : converters) {
            const Quality q = Measure(convert, from, to);
            char above[16] = "-";
            if (!std::isnan(q.above)) std::snprintf(above, sizeof above, "%.1f", q.above);
            std::printf("%-24s %12.1f %9.1f %11.1f %12s %11.3f\n", name,
                        FramesPerSecond(convert, input, from, to) / 1e6, q.snr, q.spur, above,
                        q.flatness);
        }
    }
    return 0;
}
