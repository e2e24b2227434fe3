// Cascaded two-integrator filter sections. The state of one channel is 48
// doubles: P (0-15), Q (16-31) and R (32-47), entry i belonging to stage i.
#pragma once

#include <cstdint>

namespace tonekit::audio {

inline constexpr int kFilterStateDoubles = 48;
inline constexpr int kMaxFilterStages = 16;

struct FilterSection {
    double k;  // 2 pi f / rate
    double d;  // 1 - damping
    double gain;
    int32_t type;  // 0/1 first form, 2/3 second form; 1 and 3 return x - y
    int32_t stages;
    bool invert;
};

FilterSection MakeFilterSection(double frequency, double damping, double gain, int32_t sampleRate,
                                int32_t type, int32_t stages, int32_t invert);

double RunFilter(const FilterSection& section, double x, double* state);

}  // namespace tonekit::audio
