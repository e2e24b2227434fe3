// rate_quality: a 1 kHz tone at 48,000 and at 22,050 Hz brought to 44,100 Hz
// by the reader's FFmpeg route (libswresample, soxr), by the block rate
// converter (the library's WAV route) and by `sox rate -v`; prints the SNR
// against an ideal tone and the worst spurious component (image) of each.
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fft.h"
#include "library.h"
#include "media/media_decoder.h"
#include "tonekit.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTone = 1000.0, kRate = 44100.0;

// The first channel of 16-bit PCM with `channels` channels, as doubles.
std::vector<double> FirstChannel(const std::vector<uint8_t>& pcm, int channels) {
    std::vector<double> out;
    for (size_t i = 0; i + 2 * channels <= pcm.size(); i += 2 * channels)
        out.push_back(static_cast<int16_t>(pcm[i] | pcm[i + 1] << 8));
    return out;
}

std::vector<double> ThroughFfmpegRoute(const std::string& path) {
    auto decoder = tonekit::media::OpenMediaDecoder(path.c_str());
    std::vector<uint8_t> all, block;
    uint64_t time = 0;
    while (decoder && decoder->NextBlock(block, time))
        all.insert(all.end(), block.begin(), block.end());
    return FirstChannel(all, decoder ? decoder->Format().channels : 1);
}

std::vector<double> ThroughBlockConverter(const std::string& path) {
    std::vector<uint8_t> all;
    uint64_t duration = 0, time = 0;
    if (OpenWMA(0, path.c_str(), 0, &duration)) {
        char* data = nullptr;
        int32_t bytes = 0;
        while (ReadWMA(0, &data, &bytes, &time, 1.0) >= 0) {
            all.insert(all.end(), data, data + bytes);
            std::free(data);
        }
    }
    CloseWMA(0);
    return FirstChannel(all, 2);
}

std::vector<double> ThroughSox(const std::string& path) {
    const std::string out = path + ".sox.raw";
    const std::string command =
        "sox '" + path + "' -t raw -e signed -b 16 -c 1 '" + out + "' rate -v 44100";
    if (std::system(command.c_str()) != 0) return {};
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(out.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    std::remove(out.c_str());
    return FirstChannel(bytes, 1);
}

// SNR against the best-fitting 1 kHz sine, and the strongest other spectral
// line in dB below the tone, over 65,536 samples from the middle.
void Analyse(const char* label, const std::vector<double>& x) {
    constexpr size_t kN = 65536;
    if (x.size() < kN + 2 * 44100) {
        std::printf("%-34s (no output)\n", label);
        return;
    }
    const size_t from = (x.size() - kN) / 2;
    double cs = 0, sn = 0;
    for (size_t i = 0; i < kN; ++i) {
        const double t = 2 * kPi * kTone * static_cast<double>(from + i) / kRate;
        cs += x[from + i] * std::cos(t), sn += x[from + i] * std::sin(t);
    }
    cs *= 2.0 / kN, sn *= 2.0 / kN;
    double signal = 0, noise = 0;
    std::vector<std::complex<double>> spectrum(kN), residual(kN);
    for (size_t i = 0; i < kN; ++i) {
        const double t = 2 * kPi * kTone * static_cast<double>(from + i) / kRate;
        const double fit = cs * std::cos(t) + sn * std::sin(t);
        signal += fit * fit, noise += (x[from + i] - fit) * (x[from + i] - fit);
        // Blackman-Harris window: side lobes below -92 dB.
        const double p = 2 * kPi * static_cast<double>(i) / kN;
        const double w =
            0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p);
        spectrum[i] = x[from + i] * w;
        residual[i] = (x[from + i] - fit) * w;
    }
    bench::Fft(spectrum);
    bench::Fft(residual);
    const size_t toneBin = static_cast<size_t>(kTone * kN / kRate + 0.5);
    double carrier = 0, worst = 0;
    for (size_t k = toneBin - 4; k <= toneBin + 4; ++k)
        carrier = std::max(carrier, std::norm(spectrum[k]));
    for (size_t k = 8; k < kN / 2; ++k)
        if (k + 8 < toneBin || k > toneBin + 8) worst = std::max(worst, std::norm(residual[k]));
    std::printf("%-34s SNR %6.1f dB   worst image %7.1f dBc   level %+.2f dB\n", label,
                10 * std::log10(signal / noise), 10 * std::log10(worst / carrier),
                20 * std::log10(std::hypot(cs, sn) / 16384.0));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    tonekit::LibraryAttach();
    for (int rate : {48000, 22050}) {
        const std::string input = folder + "/tone" + std::to_string(rate) + ".wav";
        const std::string make = "sox -n -r " + std::to_string(rate) + " -b 16 -c 1 '" + input +
                                 "' synth 6 sine 1000 vol 0.5";
        if (std::system(make.c_str()) != 0) return 1;
        std::printf("%d -> 44100 Hz, 1 kHz at -6 dBFS:\n", rate);
        Analyse("  FFmpeg route (soxr)", ThroughFfmpegRoute(input));
        Analyse("  block rate converter", ThroughBlockConverter(input));
        Analyse("  sox rate -v", ThroughSox(input));
        std::remove(input.c_str());
    }
    tonekit::LibraryDetach();
    return 0;
}
