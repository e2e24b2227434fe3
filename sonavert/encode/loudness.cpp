#include "loudness.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace sonavert::encode {
namespace {

constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;
constexpr double kBinsPerLu = 100.0;

double BlockLufs(double energy) {
    return -0.691 + 10.0 * std::log10(energy);
}

int BinOf(double lufs) {
    return static_cast<int>(std::floor((lufs - kAbsoluteGate) * kBinsPerLu));
}

template <typename T>
double Scaled(T sample) {
    if constexpr (std::is_floating_point_v<T>)
        return sample;
    else if constexpr (sizeof(T) == 1)
        return (static_cast<int>(sample) - 128) / 128.0;
    else
        return sample / -static_cast<double>(std::numeric_limits<T>::min());
}

}  // namespace

void Loudness::AddBlock(double energy) {
    if (energy <= 0) return;
    const double lufs = BlockLufs(energy);
    if (lufs <= kAbsoluteGate) return;
    Bin& bin = bins_[BinOf(lufs)];
    ++bin.blocks;
    bin.energy += energy;
}

void Loudness::AddPeak(double peak) {
    if (peak > peak_) peak_ = peak;
}

void Loudness::Merge(const Loudness& other) {
    for (const auto& [index, bin] : other.bins_) {
        bins_[index].blocks += bin.blocks;
        bins_[index].energy += bin.energy;
    }
    AddPeak(other.peak_);
}

bool Loudness::Integrated(double& lufs) const {
    uint64_t blocks = 0;
    double energy = 0;
    for (const auto& [index, bin] : bins_) blocks += bin.blocks, energy += bin.energy;
    if (blocks == 0) return false;
    const double gate = BlockLufs(energy / static_cast<double>(blocks)) + kRelativeGate;
    blocks = 0;
    energy = 0;
    // A bin counts when its middle lies above the gate: within 0.005 LU of exact.
    for (auto it = bins_.lower_bound(BinOf(gate) - 1); it != bins_.end(); ++it) {
        const double middle = kAbsoluteGate + (it->first + 0.5) / kBinsPerLu;
        if (middle > gate) blocks += it->second.blocks, energy += it->second.energy;
    }
    if (blocks == 0) return false;
    lufs = BlockLufs(energy / static_cast<double>(blocks));
    return true;
}

std::string Loudness::Serialize() const {
    std::ostringstream out;
    char peak[32];
    std::snprintf(peak, sizeof peak, "%a", peak_);
    out << peak;
    for (const auto& [index, bin] : bins_) {
        char energy[32];
        std::snprintf(energy, sizeof energy, "%a", bin.energy);
        out << ' ' << index << ':' << bin.blocks << ':' << energy;
    }
    return out.str();
}

bool Loudness::Parse(const std::string& text, Loudness& out) {
    out = Loudness{};
    std::istringstream in(text);
    std::string word;
    if (!(in >> word)) return false;
    char* end = nullptr;
    out.peak_ = std::strtod(word.c_str(), &end);
    if (*end) return false;
    while (in >> word) {
        int index = 0;
        unsigned long long blocks = 0;
        int used = 0;
        if (std::sscanf(word.c_str(), "%d:%llu:%n", &index, &blocks, &used) != 2) return false;
        const double energy = std::strtod(word.c_str() + used, &end);
        if (*end || !(energy >= 0)) return false;
        out.bins_[index].blocks += blocks;
        out.bins_[index].energy += energy;
    }
    return true;
}

LoudnessMeter::LoudnessMeter(int rate, const AVChannelLayout& layout)
    : state_(static_cast<size_t>(layout.nb_channels)),
      weights_(static_cast<size_t>(layout.nb_channels), 1.0),
      squares_(static_cast<size_t>(layout.nb_channels)),
      subBlockSamples_((rate + 5) / 10) {
    // The K-weighting filters of BS.1770 for any sample rate: a high shelf
    // (+4 dB above about 1.7 kHz), then a high pass at about 38 Hz.
    const double pi = 3.14159265358979323846;
    double k = std::tan(pi * 1681.974450955533 / rate), q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf_ = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
              (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    k = std::tan(pi * 38.13547087602444 / rate);
    q = 0.5003270373238773;
    a0 = 1.0 + k / q + k * k;
    highPass_ = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    for (int c = 0; c < layout.nb_channels; ++c) {
        const AVChannel channel = av_channel_layout_channel_from_index(&layout, c);
        if (channel == AV_CHAN_LOW_FREQUENCY || channel == AV_CHAN_LOW_FREQUENCY_2)
            weights_[c] = 0.0;
        else if (channel == AV_CHAN_SIDE_LEFT || channel == AV_CHAN_SIDE_RIGHT ||
                 channel == AV_CHAN_BACK_LEFT || channel == AV_CHAN_BACK_RIGHT)
            weights_[c] = 1.41;
    }
}

void LoudnessMeter::AddSample(int channel, double x) {
    auto& s = state_[static_cast<size_t>(channel)];
    // Transposed direct form II, one filter after the other.
    const double y1 = shelf_.b0 * x + s[0];
    s[0] = shelf_.b1 * x - shelf_.a1 * y1 + s[1];
    s[1] = shelf_.b2 * x - shelf_.a2 * y1;
    const double y2 = highPass_.b0 * y1 + s[2];
    s[2] = highPass_.b1 * y1 - highPass_.a1 * y2 + s[3];
    s[3] = highPass_.b2 * y1 - highPass_.a2 * y2;
    subBlockEnergy_ += weights_[static_cast<size_t>(channel)] * y2 * y2;
}

void LoudnessMeter::EndOfSample() {
    if (++inSubBlock_ < subBlockSamples_) return;
    lastSubBlocks_[static_cast<size_t>(subBlocks_ % 4)] = subBlockEnergy_;
    ++subBlocks_;
    inSubBlock_ = 0;
    subBlockEnergy_ = 0;
    if (subBlocks_ >= 4) {
        const double sum =
            lastSubBlocks_[0] + lastSubBlocks_[1] + lastSubBlocks_[2] + lastSubBlocks_[3];
        result_.AddBlock(sum / (4.0 * subBlockSamples_));
    }
}

void LoudnessMeter::Add(const AVFrame& frame, int first, int count) {
    const int end = count < 0 ? frame.nb_samples : std::min(frame.nb_samples, first + count);
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format);
    const int channels = static_cast<int>(state_.size());
    double peak = 0;
    auto run = [&](auto sampleType) {
        using T = decltype(sampleType);
        for (int i = first; i < end; ++i) {
            for (int c = 0; c < channels; ++c) {
                const T* plane = reinterpret_cast<const T*>(frame.extended_data[planar ? c : 0]);
                const double x = Scaled(plane[planar ? i : i * channels + c]);
                peak = std::max(peak, std::fabs(x));
                AddSample(c, x);
            }
            EndOfSample();
        }
    };
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            run(uint8_t{});
            break;
        case AV_SAMPLE_FMT_S16:
            run(int16_t{});
            break;
        case AV_SAMPLE_FMT_S32:
            run(int32_t{});
            break;
        case AV_SAMPLE_FMT_FLT:
            run(float{});
            break;
        case AV_SAMPLE_FMT_DBL:
            run(double{});
            break;
        default:
            return;
    }
    result_.AddPeak(peak);
}

}  // namespace sonavert::encode
