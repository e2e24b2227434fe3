#include "audio/audio_reader.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/block_rate.h"
#include "audio/frame_codec.h"
#include "audio/reader_slots.h"

namespace tonekit::audio {
namespace {

constexpr double kStepPerHertz = 2.2675736961451248e-05;  // 1/44100
constexpr uint32_t kWavReadFrames = 2048;
// Output frames one WAV read may make: 2,048 source frames at any ordinary rate
// and speed, fewer at rates of a few hertz, so that a block stays small.
constexpr double kMaxWavBlockFrames = 32768;

bool IsWavName(const char* fileName) {
    const size_t n = std::strlen(fileName);
    return n >= 3 && std::toupper(static_cast<unsigned char>(fileName[n - 3])) == 'W' &&
           std::toupper(static_cast<unsigned char>(fileName[n - 2])) == 'A' &&
           std::toupper(static_cast<unsigned char>(fileName[n - 1])) == 'V';
}

// 100-ns units per frame, truncated, as durations and block times count them.
uint64_t TicksPerFrame(uint32_t sampleRate) {
    return media::kTicksPerSecond / sampleRate;
}

WavInfo DescribeStereo44k() {
    WavInfo info{};
    info.sampleRate = media::kOutputRate;
    info.bitsPerSample = 16;
    info.channels = 2;
    info.blockAlign = 4;
    return info;
}

AudioReader g_readers[kReaderSlots] = {AudioReader(WavSlot(0)), AudioReader(WavSlot(1)),
                                       AudioReader(WavSlot(2)), AudioReader(WavSlot(3)),
                                       AudioReader(WavSlot(4)), AudioReader(WavSlot(5)),
                                       AudioReader(WavSlot(6)), AudioReader(WavSlot(7)),
                                       AudioReader(WavSlot(8)), AudioReader(WavSlot(9))};

}  // namespace

int32_t AudioReader::Open(const char* path, uint64_t startTime, uint64_t* duration,
                          bool decoderOnly) {
    Close();  // an input left open is closed, not leaked
    phase_ = 0.0;
    std::fill(std::begin(leftState_), std::end(leftState_), 0.0);
    std::fill(std::begin(rightState_), std::end(rightState_), 0.0);
    if (duration) *duration = 0;
    if (!path) return 0;
    return IsWavName(path) && !decoderOnly ? OpenWav(path, startTime, duration)
                                           : OpenDecoder(path, startTime, duration);
}

void AudioReader::Close() {
    wav_->Close();  // the slot's WAV reader closes with it, whatever it held
    decoder_.reset();
    kind_ = Kind::Empty;
}

int32_t AudioReader::OpenWav(const char* path, uint64_t startTime, uint64_t* duration) {
    const WavInfo* info = wav_->Open(path);
    if (!info || !IsConvertiblePcm(*info)) {
        wav_->Close();
        return 0;
    }
    duration_ = uint64_t{info->dataBytes / info->blockAlign} * TicksPerFrame(info->sampleRate);
    if (duration) *duration = duration_;
    const uint64_t start = startTime / media::kTicksPerSecond * info->blockAlign * info->sampleRate;
    if (start <= 0xFFFFFFFFu) wav_->Seek(static_cast<uint32_t>(start));
    kind_ = Kind::Wav;
    return 1;
}

int32_t AudioReader::OpenDecoder(const char* path, uint64_t startTime, uint64_t* duration) {
    decoder_ = media::OpenMediaDecoder(path);
    if (!decoder_) return 0;
    duration_ = decoder_->Duration();
    format_ = decoder_->Format();
    if (duration) *duration = duration_;
    if (startTime) decoder_->Seek(startTime);
    kind_ = Kind::Decoder;
    return 1;
}

int32_t AudioReader::Read(AudioBlock& out, uint64_t* time, double speed) {
    out = AudioBlock{};
    switch (kind_) {
        case Kind::Wav:
            return ReadWav(out, time, speed);
        case Kind::Decoder:
            return ReadDecoded(out, time, speed);
        case Kind::Empty:
            break;
    }
    return -1;
}

int32_t AudioReader::ReadWav(AudioBlock& out, uint64_t* time, double speed) {
    // The WAV slot may have been reopened or closed under this reader.
    const WavInfo& info = wav_->Info();
    if (!wav_->IsOpen() || !IsConvertiblePcm(info)) return -1;
    const double step = info.sampleRate * kStepPerHertz * speed;
    if (!(step > 0.0)) return -1;
    double frames = kMaxWavBlockFrames * step;
    frames = frames < 1.0 ? 1.0 : (frames > kWavReadFrames ? kWavReadFrames : frames);
    std::vector<char> buffer(size_t{info.blockAlign} * static_cast<uint32_t>(frames));
    int32_t n = wav_->Read(static_cast<int32_t>(buffer.size()), buffer.data());
    n -= n % static_cast<int32_t>(info.blockAlign);
    if (n <= 0) return -1;
    phase_ =
        ConvertBlockRate(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<uint32_t>(n),
                         &info, &out, step, 16, 2, phase_, 1, leftState_, rightState_, nullptr);
    const uint64_t position = wav_->Position();
    if (time) *time = position / info.blockAlign * TicksPerFrame(info.sampleRate);
    return static_cast<int32_t>(100.0 * static_cast<double>(position) / info.dataBytes);
}

int32_t AudioReader::ReadDecoded(AudioBlock& out, uint64_t* time, double speed) {
    std::vector<uint8_t> pcm;
    uint64_t sampleTime = 0;
    if (!decoder_->NextBlock(pcm, sampleTime)) {
        if (time) *time = 0;
        return -1;
    }
    if (time) *time = sampleTime;

    // Format pass: the decoder delivers 44,100 Hz, so this only widens mono to
    // stereo (step 1.0; the phase plays no part in it).
    WavInfo decoded{};
    decoded.sampleRate = format_.samplesPerSec;
    decoded.bitsPerSample = format_.bitsPerSample;
    decoded.channels = format_.channels;
    decoded.blockAlign = format_.blockAlign;
    const WavInfo stereo = DescribeStereo44k();
    if (decoded.channels == 2 && decoded.sampleRate == stereo.sampleRate) {
        out.data = static_cast<uint8_t*>(std::calloc(pcm.size() ? pcm.size() : 1, 1));
        if (!out.data) return -1;
        std::memcpy(out.data, pcm.data(), pcm.size());
        out.bytes = static_cast<uint32_t>(pcm.size());
        out.frameBytes = 4;
    } else {
        ConvertBlockRate(pcm.data(), static_cast<uint32_t>(pcm.size()), &decoded, &out,
                         decoded.sampleRate * kStepPerHertz, 16, 2, 0.0, 0, nullptr, nullptr,
                         nullptr);
    }
    if (speed != 1.0) {
        AudioBlock faster{};
        phase_ = ConvertBlockRate(out.data, out.bytes, &stereo, &faster, speed, 16, 2, phase_, 1,
                                  leftState_, rightState_, nullptr);
        std::free(out.data);
        out = faster;
    }
    if (duration_ == 0) return 0;
    const uint64_t p = static_cast<uint64_t>(100.0 * static_cast<double>(sampleTime) / duration_);
    return static_cast<int32_t>(p & 0x7FFFFFFF);
}

AudioReader* ReaderSlot(int32_t slot) {
    return IsReaderSlot(slot) ? &g_readers[slot] : nullptr;
}

}  // namespace tonekit::audio

using tonekit::audio::ReaderSlot;

extern "C" int32_t OpenWMA(int32_t slot, const char* fileName, uint64_t startTime,
                           uint64_t* duration) {
    auto* reader = ReaderSlot(slot);
    if (!reader) {
        if (duration) *duration = 0;
        return 0;
    }
    return reader->Open(fileName, startTime, duration);
}

extern "C" int32_t OpenMedia(int32_t slot, const char* fileName, uint64_t startTime,
                             uint64_t* duration) {
    auto* reader = ReaderSlot(slot);
    if (!reader) {
        if (duration) *duration = 0;
        return 0;
    }
    return reader->Open(fileName, startTime, duration, true);
}

extern "C" const char* MediaError() {
    return tonekit::media::LastDecoderError();
}

extern "C" const WaveFormatEx* GetFormatWMA(int32_t slot) {
    auto* reader = ReaderSlot(slot);
    return reader ? &reader->Format() : nullptr;
}

extern "C" int32_t ReadWMA(int32_t slot, char** data, int32_t* bytes, uint64_t* time,
                           double speed) {
    auto* reader = ReaderSlot(slot);
    if (!reader || !data || !bytes) return -1;
    AudioBlock out{};
    const int32_t result = reader->Read(out, time, speed);
    if (result < 0 || !out.data) {
        std::free(out.data);
        return -1;
    }
    *data = reinterpret_cast<char*>(out.data);
    *bytes = static_cast<int32_t>(out.bytes);
    return result;
}

extern "C" void CloseWMA(int32_t slot) {
    if (auto* reader = ReaderSlot(slot)) reader->Close();
}
