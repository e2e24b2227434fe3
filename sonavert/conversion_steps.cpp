#include "conversion_steps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/wav_format.h"
#include "batch/wav_segment.h"
#include "converter.h"
#include "encode_module.h"
#include "media_tags.h"
#include "scratch_file.h"
#include "util/regular_file.h"

namespace sonavert {
namespace {

using tonekit::audio::kWavHeaderBytes;
using Status = ConversionResult::Status;

constexpr int kRipAttempts = 9;
constexpr int32_t kRippedEnough = 1024;  // bytes a rip must reach to count
constexpr double kScratchBytesPerSecond = 44100 * 4.0;
constexpr double kTicksPerSecond = 1e7;
constexpr int kProbeSlot = 1;

// Seconds an output may differ from its decoded input: 0.1 s, plus what the
// codec adds at the ends (two MP3 frames, two WMA blocks).
constexpr double kPaddingSeconds[] = {0.1 + 2 * 1152 / 44100.0, 0.1 + 2 * 2048 / 44100.0, 0.1};

// A decode shorter than the declared length by more than this share and these
// seconds is a cut-off input, not a rounding of the container's estimate.
constexpr double kTruncatedShare = 0.02;
constexpr double kTruncatedSeconds = 0.25;

constexpr uint64_t kLowSpaceBytes = 64 * 1024;
constexpr char kNoSpace[] = "no space left on device";

void NoSampleHook(void*) {}

std::string Fixed2(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

uint64_t FileBytes(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

// Seconds of 44,100 Hz 16-bit stereo in a WAV file of this system.
double WavSeconds(const std::string& path) {
    const uint64_t bytes = FileBytes(path);
    return bytes > kWavHeaderBytes ? (bytes - kWavHeaderBytes) / kScratchBytesPerSecond : 0;
}

// "no space left on device" when the last failure, or the folder's free
// space, says so; else `otherwise`.
std::string SpaceOr(const std::string& folder, int error, const std::string& otherwise) {
    if (error == ENOSPC || error == EDQUOT) return kNoSpace;
    struct statvfs fs {};
    if (statvfs(folder.empty() ? "." : folder.c_str(), &fs) == 0) {
        const uint64_t blocks = geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
        if (blocks * fs.f_frsize < kLowSpaceBytes) return kNoSpace;
    }
    return otherwise;
}

// True when the library's WAV reader takes `path` as 44,100 Hz 8- or 16-bit
// PCM, which the described route brings to 16-bit stereo unchanged in rate;
// every other WAV goes to the media decoder.
bool WavReaderTakes(const Tonekit& tk, const std::string& path) {
    const WavInfo* info = tk.OpenWAV(path.c_str(), kProbeSlot);
    const bool takes = info && info->formatTag == 1 && info->sampleRate == 44100 &&
                       (info->bitsPerSample == 8 || info->bitsPerSample == 16) &&
                       (info->channels == 1 || info->channels == 2) &&
                       info->blockAlign == info->channels * info->bitsPerSample / 8;
    tk.CloseWAV(kProbeSlot);
    return takes;
}

bool RipCdTrack(const Tonekit& tk, const std::string& track, const std::string& scratch,
                const StepHooks& hooks) {
    for (int attempt = 0; attempt < kRipAttempts; ++attempt) {
        tk.CDtoWAV(track.c_str(), scratch.c_str(), attempt, hooks.progress);
        if (tk.FileSize(scratch.c_str()) >= kRippedEnough) return true;
        if (hooks.stopRequested && hooks.stopRequested()) return false;
    }
    if (hooks.ripFailed) hooks.ripFailed();
    return false;
}

// `decoder` tells whether the media decoder (FFmpeg) did the work.
bool Decode(const Tonekit& tk, const ConversionJob& job, const std::string& scratch,
            const StepHooks& hooks, bool& decoder) {
    const char* in = job.input.c_str();
    decoder = job.type != kWav && job.type != kCdTrack;
    switch (job.type) {
        case kWav:
            if (WavReaderTakes(tk, job.input))
                return tk.ResampleWAV(in, scratch.c_str(), 44100, 16, 2, 0, hooks.progress,
                                      NoSampleHook, 1) != nullptr;
            decoder = true;
            return tk.MEDIA2WAV(in, scratch.c_str(), hooks.progress) == 0;
        case kCdTrack:
            return RipCdTrack(tk, job.input, scratch, hooks);
        default:  // MP3, WMA, and whatever else the reader decodes (FLAC, Ogg, ...)
            return tk.WMA2WAV(in, scratch.c_str(), hooks.progress) == 0;
    }
}

bool Encode(const Tonekit& tk, int format, const std::string& scratch, const std::string& output,
            int32_t bitrate, const StepHooks& hooks) {
    if (format == kWav)
        return tk.ResampleWAV(scratch.c_str(), output.c_str(), 44100, 16, 2, 0, hooks.progress,
                              NoSampleHook, 1) != nullptr;
    if (format == kMp3)
        return tk.WAV2MP3(scratch.c_str(), output.c_str(), bitrate, 44100, hooks.progress) == 0;
    return tk.WAV2WMA(scratch.c_str(), output.c_str(), bitrate, hooks.progress) == 0;
}

constexpr const char* kFormatNames[] = {"mp3", "wma", "wav"};

// Why an output of `actual` seconds is not a faithful copy of `expected`
// seconds of decoded input (give or take `padding`), or "".
std::string LengthProblem(double actual, double expected, double padding) {
    if (actual <= 0) return "the output cannot be read back";
    if (std::fabs(actual - expected) <= padding) return "";
    return "the output lasts " + Fixed2(actual) + " s, the input " + Fixed2(expected) + " s";
}

// One conversion and everything it leaves behind until it succeeds.
class Conversion {
  public:
    Conversion(const Tonekit& tk, const ConversionJob& job, const std::string& scratch,
               const StepHooks& hooks)
        : tk_(tk), job_(job), scratch_(scratch), hooks_(hooks) {}
    ~Conversion() {
        unlink(scratch_.c_str());
        if (!temporary_.empty()) unlink(temporary_.c_str());
    }

    ConversionResult Run() {
        if (job_.throughEncoders) return RunThroughEncoders();
        if (job_.format == kWav && WavTooLong(job_.declaredDuration / kTicksPerSecond))
            return Failed(TooLongForWav());
        if (auto failed = DecodeIntoScratch()) return *failed;
        const double seconds = WavSeconds(scratch_);
        const double declared = job_.declaredDuration / kTicksPerSecond;
        if (job_.type != kCdTrack && declared > seconds * (1 + kTruncatedShare) + kTruncatedSeconds)
            return Failed("the input is cut short: it declares " + Fixed2(declared) +
                          " s and holds " + Fixed2(seconds) + " s");
        if (job_.format == kWav && WavTooLong(seconds)) return Failed(TooLongForWav());

        Started(Phase::kEncoding);
        if (!MakeTemporaryOutput()) return Failed(OutputFolderProblem());
        const int32_t bitrate = hooks_.bitrateNow ? hooks_.bitrateNow() : job_.bitrate;
        const bool encoded = Encode(tk_, job_.format, scratch_, temporary_, bitrate, hooks_);
        const int encodeError = errno;
        if (Stopped()) return Stop();
        if (!encoded)
            return Failed(SpaceOr(FolderOf(job_.output), encodeError, "the encoder failed"));
        return Complete(kFormatNames[job_.format], seconds, kPaddingSeconds[job_.format], "");
    }

    // Decodes, rips or cuts the input into the scratch file; the result when
    // that fails or is stopped.
    std::optional<ConversionResult> DecodeIntoScratch() {
        Started(Phase::kDecoding);
        if (!CreateScratchFile(scratch_))
            return Failed(SpaceOr(FolderOf(scratch_), errno, "the scratch file cannot be made"));
        bool decoder = false;
        const bool decoded = Decode(tk_, job_, scratch_, hooks_, decoder);
        const int decodeError = errno;
        const std::string decoderError = decoder ? tk_.MediaError() : "";
        if (Stopped()) return ConversionResult{Status::kStoppedBeforeEncode, "interrupted"};
        if (!decoded || WavSeconds(scratch_) <= 0)
            return Failed(DecodeFailure(decodeError, decoderError));
        std::string cutProblem;
        if (job_.segmentStart &&
            !batch::CutWavToSegment(scratch_, *job_.segmentStart, job_.segmentEnd, cutProblem))
            return Failed(cutProblem);
        return std::nullopt;
    }

    // FFmpeg's encoders, straight from the input; a CD track, and a CUE
    // sheet's track, go through the scratch file first.
    ConversionResult RunThroughEncoders() {
        std::string why;
        const encode::EncodeModule* module = encode::LoadEncodeModule(&why);
        if (!module) return Failed("the encoders cannot be loaded (" + why + ")");
        std::string source = job_.input;
        if (job_.type == kCdTrack || job_.segmentStart) {
            if (auto failed = DecodeIntoScratch()) return *failed;
            source = scratch_;
        }
        Started(Phase::kEncoding);
        if (!MakeTemporaryOutput()) return Failed(OutputFolderProblem());
        encode::ConvertRequest request{source,     temporary_,           job_.encoder,
                                       job_.parts, job_.measureLoudness, {}};
        request.progress = [this](int percent) {
            return !(hooks_.progress && hooks_.progress(percent) != 0) && !Stopped();
        };
        encode::ConvertOutcome outcome;
        module->convert(request, outcome);
        if (Stopped()) return Stop();
        if (!outcome.error.empty()) return Failed(outcome.error);
        const double seconds =
            outcome.rate > 0 ? static_cast<double>(outcome.frames) / outcome.rate : 0;
        const double declared = job_.declaredDuration / kTicksPerSecond;
        if (job_.type != kCdTrack && declared > seconds * (1 + kTruncatedShare) + kTruncatedSeconds)
            return Failed("the input is cut short: it declares " + Fixed2(declared) +
                          " s and holds " + Fixed2(seconds) + " s");
        // Outputs of these encoders end within one codec frame of the input.
        const double padding = 0.1 + 2048.0 / std::max(outcome.rate, 8000);
        return Complete(job_.encoder.format, seconds, padding, outcome.loudness);
    }

    // The encoded temporary output gets its tags (and gain), is checked and
    // takes its name.
    ConversionResult Complete(const std::string& format, double seconds, double padding,
                              std::string loudness) {
        if (!WriteMediaTags(temporary_, format, job_.tags ? *job_.tags : ReadMediaTags(job_.input)))
            return Failed(SpaceOr(FolderOf(job_.output), errno, "the tags cannot be written"));
        if (job_.measureLoudness) {
            const std::string problem = WriteTrackGain(format, loudness);
            if (!problem.empty()) return Failed(problem);
        }
        if (job_.verify) {
            const std::string problem = LengthProblem(OutputSeconds(), seconds, padding);
            if (!problem.empty()) return Failed(problem);
        }
        if (!PutInPlace())
            return Failed("the output cannot take its name (" + std::string(std::strerror(errno)) +
                          ")");
        if (hooks_.measured && !loudness.empty()) hooks_.measured(loudness);
        return {Status::kDone, ""};
    }

    // Measures the output unless the encoder did, and writes the track's gain.
    std::string WriteTrackGain(const std::string& format, std::string& loudness) {
        std::string why;
        const encode::EncodeModule* module = encode::LoadEncodeModule(&why);
        if (!module) return "the loudness cannot be measured (" + why + ")";
        if (loudness.empty()) {
            const std::string problem = module->measure(temporary_, loudness);
            if (!problem.empty()) return problem;
        }
        return module->writeGain(temporary_, format, loudness, {});
    }

    bool MakeTemporaryOutput() {
        temporary_ = CreateTemporaryFile(FolderOf(job_.output));
        if (temporary_.empty()) return false;
        if (hooks_.temporaryCreated) hooks_.temporaryCreated(temporary_);
        return true;
    }

    std::string OutputFolderProblem() const {
        return SpaceOr(
            FolderOf(job_.output), errno,
            std::string("the output folder cannot be written (") + std::strerror(errno) + ")");
    }

  private:
    bool Stopped() const { return hooks_.stopRequested && hooks_.stopRequested(); }

    void Started(Phase phase) const {
        if (hooks_.phaseStarted) hooks_.phaseStarted(phase);
    }

    static ConversionResult Failed(std::string reason) { return {Status::kFailed, reason}; }

    static bool WavTooLong(double seconds) {
        return seconds * kScratchBytesPerSecond > static_cast<double>(kMaxWavDataBytes);
    }
    static std::string TooLongForWav() {
        return "the output would pass the WAV format's 4 GiB limit (6:45:50 of audio)";
    }

    std::string DecodeFailure(int error, const std::string& decoderError) const {
        if (job_.type == kCdTrack) return "the CD track cannot be read";
        return SpaceOr(FolderOf(scratch_), error,
                       "the input cannot be decoded" +
                           (decoderError.empty() ? "" : " (" + decoderError + ")"));
    }

    // A stopped encode leaves a shorter output only where asked, and never
    // in place of its own input.
    ConversionResult Stop() {
        const bool keep = job_.keepStoppedOutput &&
                          !tonekit::util::SameFile(job_.input.c_str(), job_.output.c_str()) &&
                          FileBytes(temporary_) > 0;
        if (keep) PutInPlace();
        return {Status::kStopped, "interrupted"};
    }

    double OutputSeconds() const {
        if (!job_.throughEncoders && job_.format == kWav) return WavSeconds(temporary_);
        uint64_t duration = 0;
        const bool opened = tk_.OpenWMA(kProbeSlot, temporary_.c_str(), 0, &duration) != 0;
        tk_.CloseWMA(kProbeSlot);
        return opened ? duration / kTicksPerSecond : 0;
    }

    bool PutInPlace() {
        const bool placed = job_.replaceOutput
                                ? std::rename(temporary_.c_str(), job_.output.c_str()) == 0
                                : RenameWithoutReplacing(temporary_, job_.output);
        if (placed) temporary_.clear();
        return placed;
    }

    const Tonekit& tk_;
    const ConversionJob& job_;
    const std::string& scratch_;
    const StepHooks& hooks_;
    std::string temporary_;
};

uint64_t Le64(const unsigned char* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// The play time an ASF header declares, less its preroll; 0 when `path` is
// not an ASF file or says nothing.
uint64_t AsfPlayTime(const std::string& path) {
    static constexpr unsigned char kHeaderId[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    static constexpr unsigned char kFilePropertiesId[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9,
                                                            0xCF, 0x11, 0x8E, 0xE4, 0x00, 0xC0,
                                                            0x0C, 0x20, 0x53, 0x65};
    constexpr size_t kPlayDurationAt = 64, kPrerollAt = 80;  // in the file properties object
    std::unique_ptr<FILE, int (*)(FILE*)> f(tonekit::util::OpenSourceFile(path.c_str()),
                                            std::fclose);
    if (!f) return 0;
    std::vector<unsigned char> head(64 * 1024);
    head.resize(std::fread(head.data(), 1, head.size(), f.get()));
    if (head.size() < 30 || !std::equal(kHeaderId, kHeaderId + 16, head.begin())) return 0;
    const auto at =
        std::search(head.begin(), head.end(), kFilePropertiesId, kFilePropertiesId + 16);
    if (head.end() - at < static_cast<long>(kPrerollAt + 8)) return 0;
    const uint64_t play = Le64(&*at + kPlayDurationAt);
    const uint64_t preroll = Le64(&*at + kPrerollAt) * 10000;  // milliseconds
    return play > preroll ? play - preroll : 0;
}

}  // namespace

uint64_t DeclaredDuration(const Tonekit& tk, const std::string& path) {
    const uint64_t probed = ProbeDuration(tk, path);
    return probed ? std::max(probed, AsfPlayTime(path)) : 0;
}

bool IsAudioFileName(const std::string& path) {
    static constexpr const char* kAudioExtensions[] = {
        "wav", "mp3", "wma", "cda",  "flac", "ogg", "oga", "opus", "m4a", "aac", "mp2", "mpc",
        "ape", "wv",  "aif", "aiff", "aifc", "au",  "snd", "caf",  "mka", "ac3", "dts", "tta"};
    const std::string name = NameOf(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(std::begin(kAudioExtensions), std::end(kAudioExtensions), extension) !=
           std::end(kAudioExtensions);
}

ConversionResult ConvertFile(const Tonekit& tk, const ConversionJob& job,
                             const std::string& scratch, const StepHooks& hooks) {
    return Conversion(tk, job, scratch, hooks).Run();
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a hard link refuses an
    // existing name too, and the old name is dropped once the new one holds.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

}  // namespace sonavert
