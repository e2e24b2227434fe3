// The compressed-audio reader: WAV files through a WAV reader, everything else
// through the media decoder; each read yields 44,100 Hz 16-bit stereo PCM,
// optionally played faster or slower. The public reader slots are ten of these,
// sharing their numbers with the WAV slots; a whole-file conversion keeps one
// of its own, so conversions on different threads never meet.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/audio_filter.h"
#include "audio/wav_reader.h"
#include "media/media_decoder.h"
#include "tonekit.h"

namespace tonekit::audio {

class AudioReader {
  public:
    // A reader for WAV inputs through `wav` (a public slot), or through a WAV
    // reader of its own when `wav` is null.
    explicit AudioReader(WavFileReader* wav = nullptr) : wav_(wav ? wav : &ownWav_) {}
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // 1 when the file opened (reading positioned at `startTime`), else 0.
    // A name ending in "wav" goes to the WAV reader unless `decoderOnly`.
    int32_t Open(const char* path, uint64_t startTime, uint64_t* duration,
                 bool decoderOnly = false);
    const WaveFormatEx& Format() const { return format_; }
    // The next block (calloc'ed) and the percentage played, or -1 at the end.
    int32_t Read(AudioBlock& out, uint64_t* time, double speed);
    void Close();

  private:
    int32_t OpenWav(const char* path, uint64_t startTime, uint64_t* duration);
    int32_t OpenDecoder(const char* path, uint64_t startTime, uint64_t* duration);
    int32_t ReadWav(AudioBlock& out, uint64_t* time, double speed);
    int32_t ReadDecoded(AudioBlock& out, uint64_t* time, double speed);

    enum class Kind { Empty, Wav, Decoder } kind_ = Kind::Empty;
    WavFileReader ownWav_;
    WavFileReader* wav_;
    std::unique_ptr<media::MediaDecoder> decoder_;
    uint64_t duration_ = 0;
    WaveFormatEx format_{};
    double phase_ = 0.0;
    double leftState_[kFilterStateDoubles] = {};
    double rightState_[kFilterStateDoubles] = {};
};

// The public slot `slot` (0-9), or null.
AudioReader* ReaderSlot(int32_t slot);

}  // namespace tonekit::audio
