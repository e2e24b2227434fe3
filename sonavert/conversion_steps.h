// One conversion, shared by the window's run and the batch workers: the input
// decoded (or ripped) into a scratch WAV, the scratch WAV encoded into a
// temporary output beside the output, the input's tags written into it, its
// length checked, and the temporary output put in place under its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "encode_settings.h"
#include "media_tags.h"

#include "tonekit_binding.h"

namespace sonavert {

inline constexpr int kMp3 = 0, kWma = 1, kWav = 2, kCdTrack = 3;

// An input path is at most this long (an input list entry is under 1,024 bytes).
inline constexpr size_t kMaxInputPathBytes = 1023;
// The types a folder search asks the library for.
inline constexpr char kSearchedMediaTypes[] = "WAV,MP3,WMA,CDA,";
// True for the names of audio files: WAV, MP3, WMA, CD tracks and the other
// audio types the media decoder reads (FLAC, Ogg, Opus, M4A, AAC, ...).
bool IsAudioFileName(const std::string& path);

// A WAV file can hold at most this many bytes of samples (its size fields
// are 32 bits, and the RIFF size counts 36 bytes more).
inline constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 36;

struct ConversionJob {
    std::string input;
    int type = kMp3;  // the input's media type
    std::string output;
    int format = kMp3;  // kMp3, kWma or kWav
    int32_t bitrate = 128;
    // The input's own account of its length (100-ns units; 0 unknown): a
    // decode clearly shorter than it means the input is cut short.
    uint64_t declaredDuration = 0;
    bool replaceOutput = false;      // an existing file of the output's name is replaced
    bool keepStoppedOutput = false;  // an encode stopped early still leaves its shorter output
    bool verify = false;             // the output's length is read back and compared
    // Only a part of the input (a CUE sheet's track), in CD frames of 1/75 s;
    // no end: to the end of the input.
    std::optional<uint32_t> segmentStart, segmentEnd;
    std::optional<MediaTags> tags;  // written instead of the input's own
    // Through FFmpeg's encoders (libsonavert-encode.so): FLAC, Opus, Ogg
    // Vorbis, AAC and gapless MP3, straight from the input (CD tracks through
    // the scratch file). Otherwise the library's encoders, as in the window.
    bool throughEncoders = false;
    encode::EncodeSettings encoder;
    int parts = 1;                 // MP3 at a constant bit rate: encoded in parts at once
    bool measureLoudness = false;  // ReplayGain: measured, the track's gain written
};

struct ConversionResult {
    enum class Status { kDone, kFailed, kStoppedBeforeEncode, kStopped };
    Status status = Status::kFailed;
    std::string reason;  // for kFailed; "interrupted" for the stops

    bool Done() const { return status == Status::kDone; }
};

enum class Phase { kDecoding = 0, kEncoding = 1 };

// What a conversion reports to while it works. `progress` is the library's
// callback (it returns -1 to stop the step); the others may be left empty.
struct StepHooks {
    ProgressCallback progress = nullptr;
    std::function<bool()> stopRequested;
    std::function<void()> ripFailed;  // a CD track still unreadable after every attempt
    std::function<void(Phase)> phaseStarted;
    // The temporary output's name, before anything is written to it.
    std::function<void(const std::string&)> temporaryCreated;
    // The output's loudness measurement (text form), once it is in place.
    std::function<void(const std::string&)> measured;
    // The bitrate when the encode starts; the job's when empty.
    std::function<int32_t()> bitrateNow;
};

// Runs the whole conversion through `scratch`, a file name no other process
// uses. Whatever the outcome, the scratch file and the temporary output are
// gone afterwards (a stopped encode kept as asked becomes the output).
ConversionResult ConvertFile(const Tonekit& tk, const ConversionJob& job,
                             const std::string& scratch, const StepHooks& hooks);

// How long `path` says it lasts (100-ns units): the probe's duration, or
// the play time an ASF (WMA) header declares when that is longer, since the
// decoder only estimates an ASF file's length from its size. 0 when the file
// cannot be opened.
uint64_t DeclaredDuration(const Tonekit& tk, const std::string& path);

// Renames without replacing a file that already has the new name.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace sonavert
