// One reader for every input: WAV files through the WAV reader, everything else
// through the media decoder; each read yields 44,100 Hz 16-bit stereo PCM,
// optionally played faster or slower.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/audio_filter.h"
#include "audio/block_rate.h"
#include "audio/frame_codec.h"
#include "audio/reader_slots.h"
#include "audio/wav_reader.h"
#include "media/media_decoder.h"
#include "tonekit.h"

namespace tonekit::audio {
namespace {

constexpr double kStepPerHertz = 2.2675736961451248e-05;  // 1/44100
constexpr uint32_t kWavReadFrames = 2048;

struct ReaderSlot {
    enum class Kind { Empty, Wav, Decoder } kind = Kind::Empty;
    const WavInfo* wav = nullptr;
    std::unique_ptr<media::MediaDecoder> decoder;
    uint64_t duration = 0;
    WaveFormatEx format{};
    double phase = 0.0;
    double leftState[kFilterStateDoubles] = {};
    double rightState[kFilterStateDoubles] = {};
};

ReaderSlot g_readers[kReaderSlots];

void CloseReader(int32_t slot) {
    CloseWAV(slot);
    g_readers[slot].decoder.reset();
    g_readers[slot].wav = nullptr;
    g_readers[slot].kind = ReaderSlot::Kind::Empty;
}

bool IsWavName(const char* fileName) {
    const char* tail = rights(fileName, 3);
    return std::strlen(tail) == 3 && std::toupper(tail[0]) == 'W' && std::toupper(tail[1]) == 'A' &&
           std::toupper(tail[2]) == 'V';
}

// 100-ns units per frame, truncated, as durations and block times count them.
uint64_t TicksPerFrame(uint32_t sampleRate) {
    return media::kTicksPerSecond / sampleRate;
}

int32_t OpenWavInput(int32_t slot, const char* fileName, uint64_t startTime, uint64_t* duration) {
    ReaderSlot& r = g_readers[slot];
    const WavInfo* info = OpenWAV(fileName, slot);
    if (!info || !IsConvertiblePcm(*info)) {
        if (duration) *duration = 0;
        CloseWAV(slot);
        return 0;
    }
    r.wav = info;
    r.duration = uint64_t{info->dataBytes / info->blockAlign} * TicksPerFrame(info->sampleRate);
    if (duration) *duration = r.duration;
    const uint64_t start = startTime / media::kTicksPerSecond * info->blockAlign * info->sampleRate;
    if (start <= 0xFFFFFFFFu) SeekWAV(slot, static_cast<uint32_t>(start));
    r.kind = ReaderSlot::Kind::Wav;
    return 1;
}

int32_t OpenDecoderInput(int32_t slot, const char* fileName, uint64_t startTime,
                         uint64_t* duration) {
    ReaderSlot& r = g_readers[slot];
    r.decoder = media::OpenMediaDecoder(fileName);
    if (!r.decoder) {
        if (duration) *duration = 0;
        return 0;
    }
    r.duration = r.decoder->Duration();
    r.format = r.decoder->Format();
    if (duration) *duration = r.duration;
    if (startTime) r.decoder->Seek(startTime);
    r.kind = ReaderSlot::Kind::Decoder;
    return 1;
}

int32_t ReadWavBlock(int32_t slot, AudioBlock& out, uint64_t* time, double speed) {
    ReaderSlot& r = g_readers[slot];
    const WavInfo& info = *r.wav;
    std::vector<char> buffer(size_t{info.blockAlign} * kWavReadFrames);
    int32_t n = ReadWAV(slot, static_cast<int32_t>(buffer.size()), buffer.data());
    n -= n % static_cast<int32_t>(info.blockAlign);
    if (n <= 0) return -1;
    const double step = info.sampleRate * kStepPerHertz * speed;
    r.phase =
        ConvertBlockRate(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<uint32_t>(n),
                         &info, &out, step, 16, 2, r.phase, 1, r.leftState, r.rightState, nullptr);
    const uint64_t position = WavReadPosition(slot);
    if (time) *time = position / info.blockAlign * TicksPerFrame(info.sampleRate);
    return static_cast<int32_t>(100.0 * static_cast<double>(position) / info.dataBytes);
}

WavInfo DescribeStereo44k() {
    WavInfo info{};
    info.sampleRate = media::kOutputRate;
    info.bitsPerSample = 16;
    info.channels = 2;
    info.blockAlign = 4;
    return info;
}

int32_t ReadDecodedBlock(int32_t slot, AudioBlock& out, uint64_t* time, double speed) {
    ReaderSlot& r = g_readers[slot];
    std::vector<uint8_t> pcm;
    uint64_t sampleTime = 0;
    if (!r.decoder->NextBlock(pcm, sampleTime)) {
        if (time) *time = 0;
        return -1;
    }
    if (time) *time = sampleTime;

    // Format pass: the decoder delivers 44,100 Hz, so this only widens mono to
    // stereo (step 1.0; the phase plays no part in it).
    WavInfo decoded{};
    decoded.sampleRate = r.format.samplesPerSec;
    decoded.bitsPerSample = r.format.bitsPerSample;
    decoded.channels = r.format.channels;
    decoded.blockAlign = r.format.blockAlign;
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
        r.phase = ConvertBlockRate(out.data, out.bytes, &stereo, &faster, speed, 16, 2, r.phase, 1,
                                   r.leftState, r.rightState, nullptr);
        std::free(out.data);
        out = faster;
    }
    if (r.duration == 0) return 0;
    const uint64_t p = static_cast<uint64_t>(100.0 * static_cast<double>(sampleTime) / r.duration);
    return static_cast<int32_t>(p & 0x7FFFFFFF);
}

}  // namespace
}  // namespace tonekit::audio

using namespace tonekit::audio;

extern "C" int32_t OpenWMA(int32_t slot, const char* fileName, uint64_t startTime,
                           uint64_t* duration) {
    if (!IsReaderSlot(slot) || !fileName) {
        if (duration) *duration = 0;
        return 0;
    }
    CloseReader(slot);  // an input left open in the slot is closed, not leaked
    ReaderSlot& r = g_readers[slot];
    r.phase = 0.0;
    std::fill(std::begin(r.leftState), std::end(r.leftState), 0.0);
    std::fill(std::begin(r.rightState), std::end(r.rightState), 0.0);
    return IsWavName(fileName) ? OpenWavInput(slot, fileName, startTime, duration)
                               : OpenDecoderInput(slot, fileName, startTime, duration);
}

extern "C" const WaveFormatEx* GetFormatWMA(int32_t slot) {
    return IsReaderSlot(slot) ? &g_readers[slot].format : nullptr;
}

extern "C" int32_t ReadWMA(int32_t slot, char** data, int32_t* bytes, uint64_t* time,
                           double speed) {
    if (!IsReaderSlot(slot) || !data || !bytes) return -1;
    AudioBlock out{};
    int32_t result = -1;
    switch (g_readers[slot].kind) {
        case ReaderSlot::Kind::Wav:
            result = ReadWavBlock(slot, out, time, speed);
            break;
        case ReaderSlot::Kind::Decoder:
            result = ReadDecodedBlock(slot, out, time, speed);
            break;
        case ReaderSlot::Kind::Empty:
            break;
    }
    if (result < 0 || !out.data) {
        std::free(out.data);
        return -1;
    }
    *data = reinterpret_cast<char*>(out.data);
    *bytes = static_cast<int32_t>(out.bytes);
    return result;
}

extern "C" void CloseWMA(int32_t slot) {
    if (IsReaderSlot(slot)) CloseReader(slot);
}
