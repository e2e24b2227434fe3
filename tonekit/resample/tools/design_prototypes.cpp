// Designs the four prototype low-pass wings of the polyphase resampler and
// prints them as C++ source (tonekit/resample/prototype_tables.cpp).
//
//   design_prototypes > tonekit/resample/prototype_tables.cpp
//
// Each wing holds 32*c entries, entry k at (k + 0.5)/32 input samples from the
// centre (c = 4, 8, 12, 16). A wing must carry some values: its first and last
// entries, its sum, where its first zero lies, the bottom of its first negative
// lobe and the top of the next positive one (each the extreme of its lobe), and
// unity gain at every sub-sample offset (the taps that fall on input samples add
// to 2^31). Among the wings that carry them and stay within a set deviation
// from unity gain up to a passband edge, the design takes the one whose largest response
// from kStopEdge up to the top of the oversampled band is least: a minimax
// problem, solved as a linear program. The program starts from a coarse grid of
// frequencies and adds every peak of the response on a fine grid that exceeds
// the bound, until none does.
// Rounding to integers keeps every listed value and the first zero exactly; the
// few units the rounding leaves in the sum go to the entry before the fixed last
// three.
#include <coin/Clp_C_Interface.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <numeric>
#include <vector>

namespace {

constexpr int kOversampling = 32;
constexpr double kUnit = 2147483648.0;  // 2^31: an entry of 1.0
constexpr double kBandTop = kOversampling / 2.0;
// The stopband, in cycles per input sample, from here to the top of the band.
constexpr double kStopEdge = 0.55;

// What each wing must carry.
struct Listed {
    int wing;                    // c, in input samples
    std::vector<int64_t> first;  // the first entries
    int64_t last[3];             // the last three entries
    int64_t sumOffset;           // the sum is 2^35 plus this
    int firstZeroTenths;         // entry index of the first zero, times 10
    int troughAt, peakAt;        // bottom of the first negative lobe, top of the next
    int64_t trough, peak;
    // The passband, in cycles per input sample, and how far its gain may stray
    // from DC's. The centre value a wing carries sets how wide a flat passband
    // it can have: the shorter wings get a narrower one, type 2 a looser one.
    double passEdge, passDeviation;
    double offsetTolerance;  // of the taps on input samples at any offset, against unity
};

// clang-format off
const Listed kListed[4] = {
    {4, {1879001565, 1873911610, 1863757951, 1848592626}, {9289876, 7512705, 15368497}, 2, 350,
     50, 91, -382155571, 155136297, 0.25, 0.02, 0.002},
    {8, {1772753427}, {-1470865, -1180331, -2334686}, 3, 361, 51, 89, -351044268, 203964915,
     0.30, 0.02, 0.0003},
    {12, {1903680272}, {-653840, -543368, -1287301}, -4, 346, 50, 86, -400053326, 221769674,
     0.40, 0.03, 0.0003},
    {16, {1990275845}, {-607665, -508045, -1250722}, 1, 336, 48, 83, -424020141, 241083066,
     0.40, 0.02, 0.0003},
};
// clang-format on

// The wing's DC sum in units of 2^31, ignoring the few units of sumOffset.
constexpr double kDc = 16;

// cos(2 pi f t_k) for every entry k of an n-entry wing, t_k = (k + 0.5)/32.
std::vector<double> Cosines(size_t n, double f) {
    std::vector<double> c(n);
    const double w = 2 * std::numbers::pi * f / kOversampling;
    for (size_t k = 0; k < n; ++k) c[k] = std::cos(w * (static_cast<double>(k) + 0.5));
    return c;
}

// The response at f relative to DC (the wing in units of 2^31).
double Response(const std::vector<double>& wing, double f) {
    const std::vector<double> c = Cosines(wing.size(), f);
    return std::inner_product(wing.begin(), wing.end(), c.begin(), 0.0) /
           std::accumulate(wing.begin(), wing.end(), 0.0);
}

// The linear program: columns 0..n-1 are the wing in units of 2^31, column n
// the stopband bound (relative to DC), which is minimised first. Columns from
// n + 1 bound the wing's second differences, whose sum is minimised second,
// with the stopband held at its least bound: among the wings that reach it,
// the smoothest (the least bound leaves the parts of the band that are below
// it free, and a vertex of the program would put them anywhere).
class WingProgram {
  public:
    explicit WingProgram(const Listed& l)
        : n_(kOversampling * l.wing), passDeviation_(l.passDeviation), lp_(Clp_newModel()) {
        Clp_setLogLevel(lp_, 0);
        std::vector<double> lo(static_cast<size_t>(n_ + 1 + Bends()), -kFree), hi(lo.size(), kFree),
            cost(lo.size(), 0);
        std::vector<CoinBigIndex> start(lo.size() + 1, 0);
        cost[static_cast<size_t>(n_)] = 1;
        for (size_t k = static_cast<size_t>(n_); k < lo.size(); ++k) lo[k] = 0;
        // Past each listed lobe extreme, nothing goes beyond it.
        for (int k = l.troughAt + 1; k < n_; ++k)
            lo[static_cast<size_t>(k)] = l.trough / kUnit + kRise;
        for (int k = l.peakAt + 1; k < n_; ++k) hi[static_cast<size_t>(k)] = l.peak / kUnit - kRise;
        auto fix = [&](int k, int64_t value) {
            lo[static_cast<size_t>(k)] = hi[static_cast<size_t>(k)] =
                static_cast<double>(value) / kUnit;
        };
        for (size_t k = 0; k < l.first.size(); ++k) fix(static_cast<int>(k), l.first[k]);
        for (int k = 0; k < 3; ++k) fix(n_ - 3 + k, l.last[k]);
        fix(l.troughAt, l.trough);
        fix(l.peakAt, l.peak);
        Clp_loadProblem(lp_, static_cast<int>(lo.size()), 0, start.data(), nullptr, nullptr,
                        lo.data(), hi.data(), cost.data(), nullptr, nullptr);
        // One extreme per listed lobe: falling from the centre to the trough,
        // rising from there to the peak; the steps across the first zero and
        // into and out of either extreme by at least kRise, so that each stands alone.
        const int z = l.firstZeroTenths / 10;
        for (int k = 0; k < l.peakAt; ++k) {
            const double step =
                k == z || k == l.troughAt - 1 || k == l.troughAt || k == l.peakAt - 1 ? kRise : 0;
            if (k < l.troughAt)
                AddRow({{k, -1.0}, {k + 1, 1.0}}, -kFree, -step);
            else
                AddRow({{k, -1.0}, {k + 1, 1.0}}, step, kFree);
        }
        // The first zero, between two entries by linear interpolation.
        const double f = (l.firstZeroTenths % 10) / 10.0;
        AddRow({{z, 1 - f}, {z + 1, f}}, 0, 0);
        std::vector<std::pair<int, double>> all;
        for (int k = 0; k < n_; ++k) all.push_back({k, 1.0});
        AddRow(all, kDc + l.sumOffset / kUnit, kDc + l.sumOffset / kUnit);
        // Unity at each sub-sample offset (offsets o and 31 - o share their
        // taps), within 90 % of the tolerance the wing must keep.
        for (int o = 0; o < kOversampling / 2; ++o) {
            std::vector<std::pair<int, double>> taps;
            for (int j = 0; j < l.wing; ++j) {
                taps.push_back({kOversampling * j + o, 1.0});
                taps.push_back({kOversampling * j + kOversampling - 1 - o, 1.0});
            }
            AddRow(taps, 1 - 0.9 * l.offsetTolerance, 1 + 0.9 * l.offsetTolerance);
        }
        // |x[k-1] - 2 x[k] + x[k+1]| <= its bound, up to the entry before the
        // last, which carries the sum's rounding residue.
        for (int k = 1; k <= Bends(); ++k) {
            AddRow({{k - 1, 1.0}, {k, -2.0}, {k + 1, 1.0}, {n_ + k, -1.0}}, -kFree, 0);
            AddRow({{k - 1, 1.0}, {k, -2.0}, {k + 1, 1.0}, {n_ + k, 1.0}}, 0, kFree);
        }
    }

    // From now on the stopband bound stays at most `cap`, and the wing's
    // bending is what is minimised.
    void Smooth(double cap) {
        std::vector<double> hi(static_cast<size_t>(n_ + 1 + Bends()));
        const double* now = Clp_getColUpper(lp_);
        std::copy(now, now + hi.size(), hi.begin());
        hi[static_cast<size_t>(n_)] = cap;
        Clp_chgColumnUpper(lp_, hi.data());
        std::vector<double> cost(hi.size(), 1);
        std::fill(cost.begin(), cost.begin() + n_ + 1, 0);
        Clp_chgObjCoefficients(lp_, cost.data());
    }
    ~WingProgram() { Clp_deleteModel(lp_); }
    WingProgram(const WingProgram&) = delete;
    WingProgram& operator=(const WingProgram&) = delete;

    // |response(f)| <= bound, on the side of `sign`.
    void AddStop(double f, int sign) {
        std::vector<std::pair<int, double>> row = ResponseRow(f);
        row.push_back({n_, -sign * kDc});
        if (sign > 0)
            AddRow(row, -kFree, 0);
        else
            AddRow(row, 0, kFree);
    }
    // |response(f) - 1| <= the passband deviation.
    void AddPass(double f) {
        AddRow(ResponseRow(f), kDc * (1 - passDeviation_), kDc * (1 + passDeviation_));
    }

    // The optimal wing, or an empty one when the constraints cannot all hold.
    // Each call starts from the previous optimum.
    std::vector<double> Solve(double* bound) {
        Clp_dual(lp_, 0);
        if (Clp_status(lp_) != 0) Clp_primal(lp_, 0);
        if (Clp_status(lp_) != 0) return {};
        const double* x = Clp_getColSolution(lp_);
        *bound = x[n_];
        return std::vector<double>(x, x + n_);
    }

  private:
    static constexpr double kFree = 1e30;  // no bound, to the solver
    static constexpr double kRise = 1e-4;  // about 215,000 in the table

    int Bends() const { return n_ - 3; }

    std::vector<std::pair<int, double>> ResponseRow(double f) const {
        const std::vector<double> c = Cosines(static_cast<size_t>(n_), f);
        std::vector<std::pair<int, double>> row;
        for (int k = 0; k < n_; ++k) row.push_back({k, c[static_cast<size_t>(k)]});
        return row;
    }
    void AddRow(const std::vector<std::pair<int, double>>& entries, double lo, double hi) {
        std::vector<int> column;
        std::vector<double> value;
        for (auto [k, v] : entries) {
            column.push_back(k);
            value.push_back(v);
        }
        const CoinBigIndex start[2] = {0, static_cast<CoinBigIndex>(column.size())};
        Clp_addRows(lp_, 1, &lo, &hi, start, column.data(), value.data());
    }

    int n_;
    double passDeviation_;
    Clp_Simplex* lp_;
};

// The peaks of |response - target| on a grid over [from, to] that exceed limit,
// with the response's sign at each.
std::vector<std::pair<double, int>> PeaksAbove(const std::vector<double>& wing, double from,
                                               double to, double step, double target,
                                               double limit) {
    std::vector<double> f, e;
    for (double x = from; x <= to + 1e-12; x += step) {
        f.push_back(x);
        e.push_back(Response(wing, x) - target);
    }
    std::vector<std::pair<double, int>> peaks;
    for (size_t i = 0; i < e.size(); ++i) {
        const double a = std::fabs(e[i]);
        if (a <= limit) continue;
        if (i > 0 && std::fabs(e[i - 1]) > a) continue;
        if (i + 1 < e.size() && std::fabs(e[i + 1]) > a) continue;
        peaks.push_back({f[i], e[i] > 0 ? 1 : -1});
    }
    return peaks;
}

// The minimax wing in units of 2^31, then the smoothest wing within 0.01 dB
// of its stopband; exits when the constraints cannot hold.
std::vector<double> DesignWing(const Listed& l) {
    WingProgram lp(l);
    const double coarse = 1.0 / (2 * l.wing), fine = 1.0 / (64 * l.wing);
    for (double f = kStopEdge; f <= kBandTop; f += coarse) {
        lp.AddStop(f, 1);
        lp.AddStop(f, -1);
    }
    for (double f = 0; f <= l.passEdge; f += coarse) lp.AddPass(f);
    double cap = 0;
    for (int stage = 0; stage < 2; ++stage) {
        for (int round = 0;; ++round) {
            double bound = 0;
            std::vector<double> wing = lp.Solve(&bound);
            if (wing.empty() || round == 100) {
                std::fprintf(stderr, "type with wing %d: no wing meets the constraints\n", l.wing);
                std::exit(1);
            }
            const double limit = (stage == 0 ? bound : cap) * (1 + 1e-3);
            const auto stop = PeaksAbove(wing, kStopEdge, kBandTop, fine, 0, limit);
            const auto pass = PeaksAbove(wing, 0, l.passEdge, fine, 1, l.passDeviation + 1e-6);
            if (stop.empty() && pass.empty()) {
                if (stage == 1) return wing;
                cap = bound * 1.001;
                lp.Smooth(cap);
                break;
            }
            for (auto [f, sign] : stop) lp.AddStop(f, sign);
            for (auto [f, sign] : pass) lp.AddPass(f);
        }
    }
    return {};
}

std::vector<int32_t> RoundWing(const Listed& l, const std::vector<double>& w) {
    const size_t n = w.size();
    std::vector<int32_t> wing(n);
    for (size_t k = 0; k < n; ++k) wing[k] = static_cast<int32_t>(std::llround(w[k] * kUnit));
    // The first zero exactly: with f = p/10 of the way from entry z to z + 1,
    // (10 - p) w[z] + p w[z + 1] = 0 in integers.
    const auto z = static_cast<size_t>(l.firstZeroTenths / 10);
    const int p = l.firstZeroTenths % 10;
    if (p == 0) {
        wing[z] = 0;
    } else {
        const int g = std::gcd(p, 10 - p);
        const int64_t m = std::llround(w[z] * kUnit * g / p);
        wing[z] = static_cast<int32_t>(m * p / g);
        wing[z + 1] = static_cast<int32_t>(-m * (10 - p) / g);
    }
    int64_t sum = 0;
    for (int32_t v : wing) sum += v;
    wing[n - 4] += static_cast<int32_t>((int64_t{1} << 35) + l.sumOffset - sum);
    return wing;
}

// Where the wing, up to its last entry (which carries the rounding residue of
// its sum), first has a second extreme between two zero crossings (a spike or a
// double hump); 0 when it has none. Equal neighbours count as one extreme.
size_t SecondExtremeAt(const std::vector<int32_t>& wing) {
    int zeros = 0, extremes = 0;  // since the centre, the main lobe's top
    bool negative = false, falling = true;
    for (size_t k = 1; k + 1 < wing.size(); ++k) {
        if (wing[k] != 0 && (wing[k] < 0) != negative) {
            negative = !negative;
            ++zeros;
        }
        if (wing[k] != wing[k - 1] && (wing[k] < wing[k - 1]) != falling) {
            falling = !falling;
            ++extremes;
        }
        if (extremes > zeros || zeros > extremes + 1) return k;
    }
    return 0;
}

std::vector<double> Scaled(const std::vector<int32_t>& wing) {
    std::vector<double> w(wing.size());
    for (size_t k = 0; k < wing.size(); ++k) w[k] = wing[k] / kUnit;
    return w;
}

// Largest |response - target| on a fine grid over [from, to].
double WorstOn(const std::vector<int32_t>& wing, double from, double to, double target) {
    const std::vector<double> w = Scaled(wing);
    double worst = 0;
    for (double f = from; f <= to + 1e-12; f += 0.5 / static_cast<double>(wing.size()))
        worst = std::max(worst, std::fabs(Response(w, f) - target));
    return worst;
}

// Largest relative deviation from unity of the taps on input samples, over the
// 32 sub-sample offsets (both wings).
double WorstOffsetError(const std::vector<int32_t>& wing) {
    const size_t c = wing.size() / kOversampling;
    double worst = 0;
    for (size_t o = 0; o < kOversampling; ++o) {
        double sum = 0;
        for (size_t j = 0; j < c; ++j)
            sum += wing[kOversampling * j + o] +
                   static_cast<double>(wing[kOversampling * j + kOversampling - 1 - o]);
        worst = std::max(worst, std::fabs(sum / kUnit - 1));
    }
    return worst;
}

}  // namespace

int main() {
    std::printf(
        "// Generated by tonekit/resample/tools/design_prototypes.cpp; do not edit.\n"
        "// Minimax low-pass wings, 32 entries per input sample, each carrying the\n"
        "// values listed in its design program.\n"
        "#include \"resample/prototype_tables.h\"\n\n// clang-format off\n"
        "namespace tonekit::resample {\n");
    for (int type = 0; type < 4; ++type) {
        const Listed& l = kListed[type];
        const std::vector<int32_t> wing = RoundWing(l, DesignWing(l));
        const size_t bump = SecondExtremeAt(wing);
        if (bump)
            std::printf(
                "\n// Type %d: a second extreme in the lobe of entry %zu, where the listed\n"
                "// values and the offset sums leave no smooth wing.",
                type, bump);
        std::printf(
            "\n// Type %d: wing %d, first zero at entry %.1f; within %.2f %% of DC up to %.2f of\n"
            "// the input rate, %.1f dB from %.2f on; offset sums within %.5f %% of unity.\n"
            "const int32_t kPrototype%d[%zu] = {",
            type, l.wing, l.firstZeroTenths / 10.0, 100 * WorstOn(wing, 0, l.passEdge, 1),
            l.passEdge, 20 * std::log10(WorstOn(wing, kStopEdge, kBandTop, 0)), kStopEdge,
            100 * WorstOffsetError(wing), type, wing.size());
        for (size_t k = 0; k < wing.size(); ++k)
            std::printf("%s%d,", k % 6 == 0 ? "\n    " : " ", wing[k]);
        std::printf("\n};\n");
    }
    std::printf("\n}  // namespace tonekit::resample\n");
    return 0;
}
