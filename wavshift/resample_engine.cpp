#include "resample_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/frame_codec.h"
#include "audio/wav_file_writer.h"
#include "resample/rate_reach.h"
#include "util/regular_file.h"

namespace wavshift {
namespace {

constexpr int32_t kSlot = 0;
constexpr int32_t kBlockBytes = 32768;

// How much of the source was read, 0-100; an empty source is done at once.
int32_t PercentRead(const TonekitApi& tk, uint64_t bytesRead, uint32_t dataBytes) {
    if (dataBytes == 0) return 100;
    const double p = tk.percent(static_cast<double>(bytesRead), dataBytes);
    return p >= 100.0 ? 100 : static_cast<int32_t>(p);
}

// Why `job` cannot run on `source`, or empty when it can.
std::string Refusal(const ResampleJob& job, const WavInfo* source) {
    if (!source || !tonekit::audio::IsConvertiblePcm(*source))
        return "the source is not an 8- or 16-bit PCM WAV file";
    if ((job.bits != 8 && job.bits != 16) || (job.channels != 1 && job.channels != 2))
        return "only 8- or 16-bit mono or stereo output is written";
    if (job.rate == 0 || (source->sampleRate != job.rate &&
                          !tonekit::resample::RatesWithinReach(source->sampleRate, job.rate)))
        return std::to_string(source->sampleRate) + " Hz and " + std::to_string(job.rate) +
               " Hz lie more than " + std::to_string(tonekit::resample::kMaxRateRatio) +
               " times apart";
    return {};
}

// A buffer that tonekit allocated and the receiver frees.
struct OwnedBlock {
    AudioBlock block{};
    ~OwnedBlock() { std::free(block.data); }
};

class Run {
  public:
    Run(const TonekitApi& tk, const ResampleJob& job, const WavInfo& source,
        tonekit::audio::WavFileWriter& out)
        : tk_(tk),
          job_(job),
          source_(source),
          out_(out),
          state_(tk.InitResampler(source.sampleRate, job.rate, 2, 3), tk.FreeResampler),
          ratio_(static_cast<double>(job.rate) / source.sampleRate) {}

    // False when the rates differ and the resampler refused them.
    bool Usable() const { return state_ || source_.sampleRate == job_.rate; }

    // Resamples block by block; false on a write error or when the message
    // loop abandons the run.
    bool Blocks(const ResampleCallbacks& callbacks) {
        std::vector<char> input(kBlockBytes);
        uint64_t bytesRead = 0;
        for (;;) {
            if (!callbacks.pumpMessages()) return false;
            callbacks.progress(PercentRead(tk_, bytesRead, source_.dataBytes));
            // Silence fills what the read leaves: 0 for 16-bit, 0x80 for 8-bit samples.
            std::memset(input.data(), source_.bitsPerSample == 16 ? 0 : 0x80, input.size());
            const int32_t n = tk_.ReadWAV(kSlot, kBlockBytes, input.data());
            bytesRead += static_cast<uint32_t>(n > 0 ? n : 0);
            if (n <= 0) return true;
            if (!ConvertBlock(input, n)) return false;
        }
    }

  private:
    bool ConvertBlock(std::vector<char>& input, int32_t n) {
        const AudioBlock raw{reinterpret_cast<uint8_t*>(input.data()), kBlockBytes, 0};
        OwnedBlock stereo;
        tk_.ConvertAudioBufferAlign(&raw, &stereo.block,
                                    static_cast<int32_t>(source_.bitsPerSample), 16,
                                    static_cast<int32_t>(source_.channels), 2, nullptr);
        const bool full = n == kBlockBytes;
        const uint32_t usefulBytes = static_cast<uint32_t>(n) * (4 / source_.blockAlign);
        std::vector<int16_t> resampled;
        AudioBlock result = stereo.block;
        if (!state_) {
            if (!full) result.bytes = usefulBytes;
        } else {
            const int32_t samples = static_cast<int32_t>(stereo.block.bytes / 2);
            resampled.resize(static_cast<size_t>(CountResampledSamples(samples, state_.get())));
            const int32_t h = tk_.Resample(reinterpret_cast<const int16_t*>(stereo.block.data),
                                           samples, resampled.data(), state_.get());
            uint32_t bytes = 2 * static_cast<uint32_t>(h);
            if (!full)
                bytes =
                    std::min<uint32_t>(bytes, static_cast<uint32_t>(usefulBytes * ratio_) & ~3u);
            result = AudioBlock{reinterpret_cast<uint8_t*>(resampled.data()), bytes, 4};
        }
        OwnedBlock final;
        tk_.ConvertAudioBufferAlign(&result, &final.block, 16, job_.bits, 2, job_.channels,
                                    nullptr);
        return out_.Write(final.block.data, final.block.bytes);
    }

    const TonekitApi& tk_;
    const ResampleJob& job_;
    const WavInfo source_;
    tonekit::audio::WavFileWriter& out_;
    std::unique_ptr<ResamplerState, decltype(&::FreeResampler)> state_;
    const double ratio_;
};

}  // namespace

bool ResampleFile(const TonekitApi& tk, const ResampleJob& job, const ResampleCallbacks& callbacks,
                  std::string* reason) {
    std::string ignored;
    std::string& why = reason ? *reason : ignored;
    callbacks.progress(0);
    const WavInfo* info = tk.OpenWAV(job.source.c_str(), kSlot);
    why = Refusal(job, info);
    if (!why.empty()) {
        tk.CloseWAV(kSlot);
        return false;
    }
    const WavInfo source = *info;
    const uint32_t headerRate = job.keepRate ? source.sampleRate : job.rate;
    tonekit::audio::WavFileWriter out;
    if (tonekit::util::SameFile(job.source.c_str(), job.output.c_str()) ||
        tk.CreateWAVHeader(job.output.c_str(), static_cast<int32_t>(headerRate), job.bits,
                           job.channels) != 0) {
        why = "the output cannot be created";
        tk.CloseWAV(kSlot);
        return false;
    }
    bool ok = out.Append(job.output.c_str());
    if (ok) {
        Run run(tk, job, source, out);
        ok = run.Usable() && run.Blocks(callbacks);
    }
    tk.CloseWAV(kSlot);
    // Only a complete output stays: an abandoned or failed run removes what it wrote.
    ok = ok && out.Finish();
    if (!ok) {
        out.Abandon();
        tonekit::util::RemoveRegularFile(job.output.c_str());
    }
    callbacks.progress(0);
    return ok;
}

int32_t CountResampledSamples(int32_t samples, const ResamplerState* state) {
    if (!state || samples <= 0 || (state->step == 0 && state->fracStep == 0)) return 0;
    const uint64_t frames = state->channels == 1 ? static_cast<uint64_t>(samples)
                                                 : (static_cast<uint64_t>(samples) + 1) / 2;
    const uint64_t target = frames * state->phases;
    uint64_t position = 0;
    uint32_t accum = 0;
    int64_t outputs = 0;
    while (position < target) {
        ++outputs;
        const uint32_t before = accum;
        accum += state->fracStep;
        position += state->step + (accum < before ? 1 : 0);
    }
    return static_cast<int32_t>(outputs * state->channels);
}

}  // namespace wavshift
