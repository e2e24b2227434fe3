#include "audio/audio_filter.h"

#include <cmath>

#include "tonekit.h"

namespace tonekit::audio {

FilterSection MakeFilterSection(double frequency, double damping, double gain, int32_t sampleRate,
                                int32_t type, int32_t stages, int32_t invert) {
    FilterSection s;
    s.k = 1.0 / ((1.0 / (frequency * 6.283185307179586)) * sampleRate);
    s.d = 1.0 - damping;
    s.gain = gain;
    s.type = type;
    s.stages = stages < 1 ? 1 : (stages > kMaxFilterStages ? kMaxFilterStages : stages);
    s.invert = invert != 0;
    return s;
}

double RunFilter(const FilterSection& s, double x, double* state) {
    double* P = state;
    double* Q = state + 16;
    double* R = state + 32;
    const bool secondForm = s.type == 2 || s.type == 3;
    const bool highPass = s.type == 1 || s.type == 3;
    for (int i = 0; i < s.stages; ++i) {
        double y;
        if (secondForm) {
            const double t = R[i] + s.k * (x - P[i]);
            y = s.gain * t;
            const double u = Q[i] + s.k * y;
            R[i] = t;
            Q[i] = u;
            P[i] = s.d * t + u;
        } else {
            const double t = P[i] + s.k * (x - R[i]);
            const double u = Q[i] + s.k * t;
            y = s.gain * u;
            P[i] = t;
            Q[i] = u;
            R[i] = s.d * t + u;
        }
        if (highPass) y = x - y;
        if (s.invert) y = -y;
        x = y;
    }
    return x;
}

}  // namespace tonekit::audio

extern "C" double AudioFilter(double x, double frequency, double damping, double gain,
                              int32_t sampleRate, int32_t type, int32_t stages, int32_t invert,
                              double* state) {
    if (!state) return x;
    const auto section = tonekit::audio::MakeFilterSection(frequency, damping, gain, sampleRate,
                                                           type, stages, invert);
    return tonekit::audio::RunFilter(section, x, state);
}

extern "C" double lin2log(double value, double range, int32_t flags) {
    double r = value / range;
    if (flags & 2) r = 1.0 - r;
    double c = std::cos((r * 90.0 + 180.0) * 0.017453292519943295);
    c = (flags & 1) ? c + 1.0 : std::fabs(c);
    return c * range;
}
