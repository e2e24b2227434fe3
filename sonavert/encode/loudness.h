// Programme loudness after EBU R128 / ITU-R BS.1770 (K-weighting, 400 ms
// blocks every 100 ms, gated at -70 LUFS and 10 LU below the ungated mean),
// and the sample peak. Block loudness is kept as a histogram of 0.01 LU bins,
// so tracks measured apart (even in other processes) merge into an album.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

namespace sonavert::encode {

class Loudness {
  public:
    // One 400 ms block: the channel-weighted mean square of the filtered signal.
    void AddBlock(double energy);
    void AddPeak(double peak);
    void Merge(const Loudness& other);

    // Integrated loudness in LUFS; false when no block passes the gates
    // (silence, or shorter than 400 ms).
    bool Integrated(double& lufs) const;
    double Peak() const { return peak_; }

    // A one-line text form, read back by Parse.
    std::string Serialize() const;
    static bool Parse(const std::string& text, Loudness& out);

  private:
    struct Bin {
        uint64_t blocks = 0;
        double energy = 0;
    };
    std::map<int, Bin> bins_;  // by 0.01 LU steps above -70 LUFS
    double peak_ = 0;          // linear, full scale = 1
};

class LoudnessMeter {
  public:
    LoudnessMeter(int rate, const AVChannelLayout& layout);
    // Samples in any packed or planar integer or floating-point format: the
    // frame's `count` samples from `first` (count -1: to its end).
    void Add(const AVFrame& frame, int first = 0, int count = -1);
    const Loudness& Result() const { return result_; }

  private:
    struct Biquad {
        double b0, b1, b2, a1, a2;
    };
    void AddSample(int channel, double x);
    void EndOfSample();

    Biquad shelf_{}, highPass_{};
    std::vector<std::array<double, 4>> state_;  // per channel: both filters' two states
    std::vector<double> weights_;               // per channel (LFE 0, surrounds 1.41)
    std::vector<double> squares_;               // per channel, this frame's filtered square
    int subBlockSamples_;
    int inSubBlock_ = 0;
    double subBlockEnergy_ = 0;
    std::array<double, 4> lastSubBlocks_{};
    int subBlocks_ = 0;
    Loudness result_;
};

// ReplayGain 2.0: the gain that brings `lufs` to -18 LUFS.
inline double ReplayGainDb(double lufs) {
    return -18.0 - lufs;
}

}  // namespace sonavert::encode
