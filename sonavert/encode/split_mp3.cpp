#include "split_mp3.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "muxer.h"

namespace sonavert::encode {
namespace {

constexpr int64_t kFrame = 1152;     // samples per MPEG-1 Layer III frame
constexpr int64_t kLeadFrames = 8;   // encoded before a part's first frame
constexpr int64_t kTrailFrames = 2;  // encoded after its last one
constexpr int64_t kLeastPartSeconds = 5;

// A part's frames, kept in an unnamed file beside the output until joined.
struct Part {
    int64_t firstFrame = 0, endFrame = 0;  // global frame numbers; end -1: to the end
    FILE* frames = nullptr;
    std::vector<int> sizes;
    // The trimming the encoder asks of its first and last packets (the
    // stream's delay and padding, for the first and the last part).
    std::vector<uint8_t> firstSkip, lastSkip;
    std::string error;
    Loudness loudness;
    std::atomic<int> percent{0};

    ~Part() {
        if (frames) std::fclose(frames);
    }
};

FILE* UnnamedFileBeside(const std::string& output) {
    const size_t slash = output.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string name = folder + "/.sonavert-part-XXXXXX";
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) unlink(name.c_str());
    }
    FILE* file = fd >= 0 ? fdopen(fd, "w+b") : nullptr;
    if (!file && fd >= 0) close(fd);
    return file;
}

void EncodePart(const std::string& input, const EncodeSettings& settings, bool measure, Part& part,
                const std::atomic<bool>& stop) {
    Pipeline pipeline;
    part.error = pipeline.Open(input, settings, measure);
    if (!part.error.empty()) return;
    const int64_t leadFrom = std::max<int64_t>(0, part.firstFrame - kLeadFrames);
    const int64_t from = leadFrom * kFrame;
    const int64_t to = part.endFrame < 0 ? -1 : (part.endFrame + kTrailFrames) * kFrame;
    const int64_t keepFrom = part.firstFrame - leadFrom;
    const int64_t keepTo = part.endFrame < 0 ? INT64_MAX : part.endFrame - leadFrom;
    if (measure)
        pipeline.MeasureOnly(keepFrom * kFrame, part.endFrame < 0 ? INT64_MAX : keepTo * kFrame);
    int64_t index = 0;
    auto keep = [&](AVPacket* packet) -> std::string {
        const int64_t n = index++;
        if (n < keepFrom || n >= keepTo) return "";
        if (std::fwrite(packet->data, 1, static_cast<size_t>(packet->size), part.frames) !=
            static_cast<size_t>(packet->size))
            return "the encoded parts cannot be kept (" + std::string(std::strerror(errno)) + ")";
        part.sizes.push_back(packet->size);
        size_t bytes = 0;
        const uint8_t* skip = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &bytes);
        part.lastSkip.assign(skip, skip + (skip ? bytes : 0));
        if (n == 0) part.firstSkip = part.lastSkip;
        return "";
    };
    auto progress = [&](int percent) {
        part.percent = percent;
        return !stop;
    };
    part.error = pipeline.Run(from, to, keep, progress);
    if (const Loudness* measured = pipeline.Measured()) part.loudness = *measured;
    part.percent = 100;
}

// Writes the parts' frames, in order, as one stream.
std::string Join(std::vector<Part>& parts, const AVCodecContext& codec, const std::string& output,
                 int64_t& frames) {
    Muxer muxer;
    std::string error = muxer.Open(output, "mp3", codec);
    PacketPtr packet(av_packet_alloc());
    if (!packet) error = "out of memory";
    int64_t number = 0;
    for (size_t p = 0; p < parts.size() && error.empty(); ++p) {
        Part& part = parts[p];
        std::rewind(part.frames);
        for (size_t i = 0; i < part.sizes.size() && error.empty(); ++i, ++number) {
            av_packet_unref(packet.get());
            if (av_new_packet(packet.get(), part.sizes[i]) < 0) return "out of memory";
            if (std::fread(packet->data, 1, static_cast<size_t>(part.sizes[i]), part.frames) !=
                static_cast<size_t>(part.sizes[i]))
                return "the encoded parts cannot be read back";
            packet->pts = packet->dts = number * kFrame - codec.initial_padding;
            packet->duration = kFrame;
            const bool last = p + 1 == parts.size() && i + 1 == part.sizes.size();
            const std::vector<uint8_t>& skip = last          ? part.lastSkip
                                               : number == 0 ? part.firstSkip
                                                             : std::vector<uint8_t>{};
            if (!skip.empty()) {
                uint8_t* side =
                    av_packet_new_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, skip.size());
                if (!side) return "out of memory";
                std::copy(skip.begin(), skip.end(), side);
            }
            error = muxer.Write(packet.get());
        }
    }
    if (error.empty()) error = muxer.Finish();
    frames = number;
    return error;
}

bool Splittable(Pipeline& probe, const EncodeSettings& settings) {
    return settings.format == "mp3" && settings.quality < 0 && probe.Source().SampleExact() &&
           probe.Source().Rate() == probe.Output().Context().sample_rate &&
           probe.Output().Context().frame_size == kFrame;
}

}  // namespace

bool CanEncodeInParts(const std::string& input, const EncodeSettings& settings) {
    Pipeline probe;
    return probe.Open(input, settings, false).empty() && Splittable(probe, settings);
}

TranscodeResult TranscodeInParts(const std::string& input, const std::string& output,
                                 const EncodeSettings& settings, int parts, bool measure,
                                 const ProgressHook& progress) {
    Pipeline probe;
    TranscodeResult result;
    result.error = probe.Open(input, settings, false);
    if (!result.error.empty()) return result;
    const AVCodecContext& codec = probe.Output().Context();
    const int64_t totalFrames = probe.Source().DurationSamples() / kFrame;
    const int64_t leastFrames = kLeastPartSeconds * codec.sample_rate / kFrame;
    parts = static_cast<int>(std::min<int64_t>(parts, totalFrames / leastFrames));
    if (parts < 2 || !Splittable(probe, settings))
        return Transcode(input, output, settings, measure, progress);

    std::vector<Part> pieces(static_cast<size_t>(parts));
    for (int p = 0; p < parts; ++p) {
        Part& part = pieces[static_cast<size_t>(p)];
        part.firstFrame = totalFrames * p / parts;
        part.endFrame = p + 1 == parts ? -1 : totalFrames * (p + 1) / parts;
        part.frames = UnnamedFileBeside(output);
        if (!part.frames) {
            result.error =
                "no room for the encoded parts (" + std::string(std::strerror(errno)) + ")";
            return result;
        }
    }
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable finished;
    int running = parts;
    std::vector<std::thread> threads;
    for (Part& part : pieces)
        threads.emplace_back([&, &part = part] {
            EncodePart(input, settings, measure, part, stop);
            std::lock_guard guard(lock);
            --running;
            finished.notify_one();
        });
    {
        std::unique_lock guard(lock);
        while (running > 0) {
            finished.wait_for(guard, std::chrono::milliseconds(200));
            int sum = 0;
            for (const Part& part : pieces) sum += part.percent;
            if (progress && !stop) {
                guard.unlock();
                if (!progress(sum / parts)) stop = true;
                guard.lock();
            }
        }
    }
    for (auto& thread : threads) thread.join();
    for (const Part& part : pieces) {
        // A part that ends early means the file holds less than it declares:
        // the next part's frames would not follow on.
        if (part.error.empty() && part.endFrame >= 0 &&
            static_cast<int64_t>(part.sizes.size()) != part.endFrame - part.firstFrame)
            result.error = "the input is shorter than its header says";
        if (!part.error.empty()) result.error = part.error;
        if (!result.error.empty()) return result;
    }
    int64_t joined = 0;
    result.error = Join(pieces, codec, output, joined);
    result.rate = codec.sample_rate;
    result.channels = codec.ch_layout.nb_channels;
    result.frames = probe.Source().DurationSamples();
    if (measure) {
        result.measured = true;
        for (const Part& part : pieces) result.loudness.Merge(part.loudness);
    }
    return result;
}

}  // namespace sonavert::encode
