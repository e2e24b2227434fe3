// Designs the four prototype low-pass wings of the polyphase resampler and
// prints them as C++ source (tonekit/resample/prototype_tables.cpp).
//
//   design_prototypes > tonekit/resample/prototype_tables.cpp
//
// Each wing holds 32*c entries, entry k at (k + 0.5)/32 input samples from the
// centre (c = 4, 8, 12, 16). A wing is fixed in part by the values it must
// carry (its first and last entries, its sum, where its first zero lies, and
// the place and value of the bottom of its first negative lobe and of the top
// of the next positive one), and by unity gain at every sub-sample offset: the
// taps that fall on input samples add to 2^31. Among the wings that meet all
// of these exactly, the design takes the one of least weighted squared error
// against a low-pass target (see Listed): a least-squares problem under linear
// equality constraints, solved once through its KKT system.
// Rounding to integers keeps every listed value; the few units the rounding
// leaves in the sum go to the entry before the fixed last three.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kOversampling = 32;
constexpr double kUnit = 2147483648.0;  // 2^31: an entry of 1.0
constexpr double kBandTop = kOversampling / 2.0;

// What each wing must carry.
struct Listed {
    int wing;                    // c, in input samples
    std::vector<int64_t> first;  // the first entries
    int64_t last[3];             // the last three entries
    int64_t sumOffset;           // the sum is 2^35 plus this
    double firstZero;            // entry index of the first zero
    int troughAt, peakAt;        // bottom of the first negative lobe, top of the next
    int64_t trough, peak;
    // The target, in cycles per input sample: the DC gain of 32 phases up to
    // passEdge, a raised cosine down to zero at stopEdge, zero beyond. The
    // error counts fully in the pass and stop bands and transitionWeight times
    // in between: a light hold on the transition keeps it free of bumps
    // without costing the stopband. Per type, the settings that keep every
    // listed lobe a true extreme with the flattest passband and best stopband.
    double passEdge, stopEdge, transitionWeight;
};

// clang-format off
const Listed kListed[4] = {
    {4, {1879001565, 1873911610, 1863757951, 1848592626}, {9289876, 7512705, 15368497}, 2, 35.0,
     50, 91, -382155571, 155136297, 0.25, 0.58, 0.01},
    {8, {1772753427}, {-1470865, -1180331, -2334686}, 3, 36.1, 51, 89, -351044268, 203964915,
     0.25, 0.58, 0.01},
    {12, {1903680272}, {-653840, -543368, -1287301}, -4, 34.6, 50, 86, -400053326, 221769674,
     0.33, 0.54, 0.002},
    {16, {1990275845}, {-607665, -508045, -1250722}, 1, 33.6, 48, 83, -424020141, 241083066,
     0.33, 0.54, 0.0005},
};
// clang-format on

using Matrix = std::vector<std::vector<long double>>;

// The integral of cos(2 pi f u) over f from a to b.
long double CosIntegral(long double u, long double a, long double b) {
    if (std::fabs(static_cast<double>(u)) < 1e-12) return b - a;
    const long double w = 2 * std::numbers::pi_v<long double> * u;
    return (std::sin(w * b) - std::sin(w * a)) / w;
}

// Solves m x = v by Gaussian elimination with partial pivoting.
std::vector<long double> Solve(Matrix m, std::vector<long double> v) {
    const size_t n = v.size();
    for (size_t col = 0; col < n; ++col) {
        size_t pivot = col;
        for (size_t r = col + 1; r < n; ++r)
            if (std::fabs(static_cast<double>(m[r][col])) >
                std::fabs(static_cast<double>(m[pivot][col])))
                pivot = r;
        std::swap(m[col], m[pivot]);
        std::swap(v[col], v[pivot]);
        for (size_t r = col + 1; r < n; ++r) {
            const long double f = m[r][col] / m[col][col];
            if (f == 0) continue;
            for (size_t k = col; k < n; ++k) m[r][k] -= f * m[col][k];
            v[r] -= f * v[col];
        }
    }
    std::vector<long double> x(n);
    for (size_t r = n; r-- > 0;) {
        long double s = v[r];
        for (size_t k = r + 1; k < n; ++k) s -= m[r][k] * x[k];
        x[r] = s / m[r][r];
    }
    return x;
}

struct Constraints {
    Matrix rows;
    std::vector<long double> values;
    void Add(std::vector<long double> row, long double value) {
        rows.push_back(std::move(row));
        values.push_back(value);
    }
};

Constraints ListedConstraints(const Listed& l, size_t n) {
    Constraints c;
    auto fix = [&](size_t k, int64_t value) {
        std::vector<long double> row(n, 0);
        row[k] = 1;
        c.Add(row, value / kUnit);
    };
    for (size_t k = 0; k < l.first.size(); ++k) fix(k, l.first[k]);
    for (size_t k = 0; k < 3; ++k) fix(n - 3 + k, l.last[k]);
    fix(static_cast<size_t>(l.troughAt), l.trough);
    fix(static_cast<size_t>(l.peakAt), l.peak);
    for (int at : {l.troughAt, l.peakAt}) {  // level neighbours: the extreme lies there
        std::vector<long double> row(n, 0);
        row[static_cast<size_t>(at - 1)] = 1;
        row[static_cast<size_t>(at + 1)] = -1;
        c.Add(row, 0);
    }
    {  // the first zero, between two entries by linear interpolation
        std::vector<long double> row(n, 0);
        const auto i = static_cast<size_t>(l.firstZero);
        const long double f = l.firstZero - static_cast<double>(i);
        row[i] = 1 - f;
        if (f > 0) row[i + 1] = f;
        c.Add(row, 0);
    }
    {  // the sum
        c.Add(std::vector<long double>(n, 1), (std::ldexp(1.0L, 35) + l.sumOffset) / kUnit);
    }
    // Unity at each sub-sample offset; offsets o and 31 - o share their taps, and
    // with the sum fixed the last pair follows from the others.
    for (int o = 0; o < kOversampling / 2 - 1; ++o) {
        std::vector<long double> row(n, 0);
        for (int j = 0; j < l.wing; ++j) {
            row[static_cast<size_t>(kOversampling * j + o)] += 1;
            row[static_cast<size_t>(kOversampling * j + kOversampling - 1 - o)] += 1;
        }
        c.Add(row, 1);
    }
    return c;
}

// The integral over the target's pass and transition bands of the weighted
// target times cos(2 pi f t).
long double TargetProjection(const Listed& l, long double t) {
    constexpr int kSteps = 400;
    const long double width = l.stopEdge - l.passEdge;
    long double sum = CosIntegral(t, 0, l.passEdge);
    for (int i = 0; i < kSteps; ++i) {
        const long double f = l.passEdge + width * (i + 0.5L) / kSteps;
        const long double target =
            0.5L * (1 + std::cos(std::numbers::pi_v<long double> * (f - l.passEdge) / width));
        sum += l.transitionWeight * target * std::cos(2 * std::numbers::pi_v<long double> * f * t) *
               width / kSteps;
    }
    return sum;
}

// The wing of least weighted squared error against the target, in units
// of 2^31, meeting every constraint.
std::vector<long double> DesignWing(const Listed& l) {
    const size_t n = static_cast<size_t>(kOversampling * l.wing);
    const Constraints c = ListedConstraints(l, n);
    const size_t m = c.values.size();
    std::vector<long double> t(n);
    for (size_t k = 0; k < n; ++k) t[k] = (k + 0.5L) / kOversampling;
    // H(f) = 2 sum w_k cos(2 pi f t_k); the error's quadratic and linear terms.
    Matrix kkt(n + m, std::vector<long double>(n + m, 0));
    std::vector<long double> rhs(n + m, 0);
    for (size_t k = 0; k < n; ++k) {
        for (size_t j = 0; j < n; ++j) {
            long double q = 0;
            for (long double u : {t[k] - t[j], t[k] + t[j]})
                q += CosIntegral(u, 0, l.passEdge) +
                     l.transitionWeight * CosIntegral(u, l.passEdge, l.stopEdge) +
                     CosIntegral(u, l.stopEdge, kBandTop);
            kkt[k][j] = 4 * q;  // twice the quadratic form 2 q
        }
        rhs[k] = 2 * 32 * 2 * TargetProjection(l, t[k]);
    }
    for (size_t r = 0; r < m; ++r) {
        for (size_t k = 0; k < n; ++k) kkt[n + r][k] = kkt[k][n + r] = c.rows[r][k];
        rhs[n + r] = c.values[r];
    }
    std::vector<long double> x = Solve(kkt, rhs);
    x.resize(n);
    return x;
}

std::vector<int32_t> RoundWing(const Listed& l, const std::vector<long double>& w) {
    const size_t n = w.size();
    std::vector<int32_t> wing(n);
    for (size_t k = 0; k < n; ++k) wing[k] = static_cast<int32_t>(std::llround(w[k] * kUnit));
    for (size_t k = 0; k < l.first.size(); ++k) wing[k] = static_cast<int32_t>(l.first[k]);
    for (size_t k = 0; k < 3; ++k) wing[n - 3 + k] = static_cast<int32_t>(l.last[k]);
    wing[static_cast<size_t>(l.troughAt)] = static_cast<int32_t>(l.trough);
    wing[static_cast<size_t>(l.peakAt)] = static_cast<int32_t>(l.peak);
    int64_t sum = 0;
    for (int32_t v : wing) sum += v;
    wing[n - 4] += static_cast<int32_t>((int64_t{1} << 35) + l.sumOffset - sum);
    return wing;
}

// Largest relative deviation from unity of the taps on input samples, over the
// 32 sub-sample offsets (both wings).
double WorstOffsetError(const std::vector<int32_t>& wing) {
    const int c = static_cast<int>(wing.size()) / kOversampling;
    double worst = 0;
    for (int o = 0; o < kOversampling; ++o) {
        double sum = 0;
        for (int j = 0; j < c; ++j)
            sum += wing[kOversampling * j + o] +
                   static_cast<double>(wing[kOversampling * j + kOversampling - 1 - o]);
        worst = std::max(worst, std::fabs(sum / kUnit - 1));
    }
    return worst;
}

// The response at `f` (cycles per input sample) relative to DC.
double Response(const std::vector<int32_t>& wing, double f) {
    double dc = 0, h = 0;
    for (size_t k = 0; k < wing.size(); ++k) {
        dc += wing[k];
        h += wing[k] * std::cos(2 * std::numbers::pi * f * (k + 0.5) / kOversampling);
    }
    return h / dc;
}

// Peak response from `edge` on, in dB below DC.
double StopbandDb(const std::vector<int32_t>& wing, double edge) {
    double peak = 0;
    for (double f = edge; f < kBandTop; f += 0.005)
        peak = std::max(peak, std::fabs(Response(wing, f)));
    return 20 * std::log10(peak);
}

// Largest deviation from DC gain up to `edge`, in percent.
double PassbandRipple(const std::vector<int32_t>& wing, double edge) {
    double worst = 0;
    for (double f = 0; f <= edge; f += 0.005)
        worst = std::max(worst, std::fabs(Response(wing, f) - 1));
    return 100 * worst;
}

}  // namespace

int main() {
    std::printf(
        "// Generated by tonekit/resample/tools/design_prototypes.cpp; do not edit.\n"
        "// Constrained least-squares low-pass wings, 32 entries per input sample,\n"
        "// each carrying the values listed in its design program.\n"
        "#include \"resample/prototype_tables.h\"\n\n// clang-format off\n"
        "namespace tonekit::resample {\n");
    for (int type = 0; type < 4; ++type) {
        const Listed& l = kListed[type];
        const std::vector<int32_t> wing = RoundWing(l, DesignWing(l));
        std::printf(
            "\n// Type %d: wing %d, first zero at entry %.1f; within %.2f %% up to %.3f of the\n"
            "// input rate, %.1f dB from %.3f on; offset sums within %.4f %% of unity.\n"
            "const int32_t kPrototype%d[%zu] = {",
            type, l.wing, l.firstZero, PassbandRipple(wing, l.passEdge), l.passEdge,
            StopbandDb(wing, l.stopEdge), l.stopEdge, WorstOffsetError(wing) * 100, type,
            wing.size());
        for (size_t k = 0; k < wing.size(); ++k)
            std::printf("%s%d,", k % 6 == 0 ? "\n    " : " ", wing[k]);
        std::printf("\n};\n");
    }
    std::printf("\n}  // namespace tonekit::resample\n");
    return 0;
}
