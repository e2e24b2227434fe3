#include "peer_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "test_support.h"

namespace testing_support {

std::vector<int16_t> FfmpegDecode(const std::string& path, const std::string& filter) {
    std::string raw;
    const std::string af = filter.empty() ? "" : " -af '" + filter + "'";
    RunCommand("ffmpeg -v quiet -i '" + path + "'" + af + " -ar 44100 -ac 2 -f s16le -", &raw);
    std::vector<int16_t> samples(raw.size() / 2);
    std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

long DecodedFrames(const std::string& path) {
    std::string bytes;
    RunCommand("ffmpeg -v error -i " + Quote(path) + " -f s16le -ac 1 - | wc -c", &bytes);
    return std::atol(bytes.c_str()) / 2;
}

std::map<std::string, std::string> Tags(const std::string& path) {
    std::string out;
    RunCommand(
        "ffprobe -v error -select_streams a -show_entries format_tags:stream_tags -of "
        "default=nw=1 " +
            Quote(path),
        &out);
    std::map<std::string, std::string> tags;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (line.rfind("TAG:", 0) != 0 || equals == std::string::npos) continue;
        std::string key = line.substr(4, equals - 4);
        for (auto& c : key) c = static_cast<char>(std::tolower(c));
        if (key == "wm/year") key = "date";  // ffmpeg's name for the ASF year
        if (key == "albumartist") key = "album_artist";
        tags[key] = line.substr(equals + 1);
    }
    return tags;
}

void Ffmpeg(const std::string& arguments) {
    ASSERT_EQ(RunCommand("ffmpeg -v error -y " + arguments), 0) << arguments;
}

std::string Probe(const std::string& path, const std::string& entry) {
    const std::string section = entry.substr(0, entry.find('='));
    const std::string select = section == "stream" ? " -select_streams a:0" : "";
    std::string out;
    RunCommand("ffprobe -v quiet" + select + " -show_entries " + entry +
                   " -of default=noprint_wrappers=1:nokey=1 '" + path + "'",
               &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

namespace {

// Mean product of reference and shifted test over a window of frames.
double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b, long lag,
                   long from, long frames) {
    double sum = 0;
    for (long i = from; i < from + frames; ++i) {
        const long j = i + lag;
        if (j < 0 || 2 * j + 1 >= static_cast<long>(b.size()) ||
            2 * i + 1 >= static_cast<long>(a.size()))
            continue;
        sum += static_cast<double>(a[2 * i]) * b[2 * j] +
               static_cast<double>(a[2 * i + 1]) * b[2 * j + 1];
    }
    return sum;
}

}  // namespace

long BestLag(const std::vector<int16_t>& reference, const std::vector<int16_t>& test, int maxLag) {
    const long frames = static_cast<long>(std::min(reference.size(), test.size()) / 2);
    const long window = std::min<long>(frames / 2, 44100);
    long bestLag = 0;
    double best = -1e300;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        const double c = Correlation(reference, test, lag, frames / 4, window);
        if (c > best) best = c, bestLag = lag;
    }
    return bestLag;
}

double AlignedSnr(const std::vector<int16_t>& reference, const std::vector<int16_t>& test,
                  int maxLag) {
    const long frames = static_cast<long>(std::min(reference.size(), test.size()) / 2);
    const long bestLag = BestLag(reference, test, maxLag);
    double signal = 0, noise = 0;
    for (long i = maxLag; i < frames - maxLag; ++i) {
        const long j = i + bestLag;
        if (2 * j + 1 >= static_cast<long>(test.size())) break;
        for (int ch = 0; ch < 2; ++ch) {
            const double r = reference[2 * i + ch];
            const double d = r - test[2 * j + ch];
            signal += r * r;
            noise += d * d;
        }
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

void MakeMusicLikeWav(const std::string& path, int rate, int channels, double seconds) {
    RunCommand("sox -n -r " + std::to_string(rate) + " -b 16 -c " + std::to_string(channels) +
               " '" + path + "' synth " + std::to_string(seconds) +
               " sine 300-8000 sine 500-10000 vol 0.5 fade 0.05 0 0.05");
}

}  // namespace testing_support
