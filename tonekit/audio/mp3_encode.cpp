// WAV2MP3: the 16-bit PCM after a WAV file's 44-byte header, encoded as
// constant-bit-rate MPEG-1 Layer III through the BladeEnc-style operations.
#include <cstdio>
#include <vector>

#include "audio/blade_encoder.h"
#include "audio/progress.h"
#include "audio/wav_format.h"
#include "tonekit.h"
#include "util/message.h"
#include "util/regular_file.h"

namespace tonekit::audio {
namespace {

// Input rates LAME resamples from without fault; far below them it aborts.
constexpr int32_t kMinInputRate = 8000;
constexpr int32_t kMaxInputRate = 192000;

BeConfig Mp3Config(int32_t bitrate, int32_t sampleRate) {
    BeConfig c{};
    c.dwConfig = kBeConfigLame;
    c.dwStructVersion = 1;
    c.dwStructSize = sizeof(BeConfig);
    c.dwSampleRate = static_cast<uint32_t>(sampleRate);
    c.nMode = kBeModeStereo;
    c.dwBitrate = static_cast<uint32_t>(bitrate);
    c.nPreset = kLqpCbr;
    c.dwMpegVersion = 1;
    c.bOriginal = 1;
    c.bNoRes = 1;
    return c;
}

struct Encoding {
    const LameEntryPoints& be;
    BeStream stream;
    FILE* in;
    FILE* out;
    std::vector<int16_t> pcm;
    std::vector<uint8_t> mp3;
    bool writeFailed = false;

    void Append(uint32_t bytes) {
        if (bytes == 0 || writeFailed) return;
        writeFailed = std::fwrite(mp3.data(), 1, bytes, out) != bytes;
    }

    void EncodeAll(uint64_t estimatedChunks, ProgressCallback progress) {
        uint64_t chunks = 0;
        for (size_t n; !writeFailed && (n = std::fread(pcm.data(), 2, pcm.size(), in)) > 0;) {
            uint32_t written = 0;
            be.beEncodeChunk(stream, static_cast<uint32_t>(n), pcm.data(), mp3.data(), &written);
            ++chunks;
            if (progress && progress(ChunkPercent(chunks, estimatedChunks))) break;
            Append(written);
        }
        uint32_t written = 0;
        be.beDeinitStream(stream, mp3.data(), &written);
        Append(written);
        be.beCloseStream(stream);
    }
};

}  // namespace
}  // namespace tonekit::audio

extern "C" int32_t WAV2MP3(const char* source, const char* destination, int32_t bitrate,
                           int32_t sampleRate, ProgressCallback progress) {
    using namespace tonekit::audio;
    const LameEntryPoints* be = Lame();
    if (!be) {
        tonekit::util::ShowMessage("DLL NOT FOUND:\n\nLIBMP3LAME.SO.0", "ERROR",
                                   tonekit::util::MessageIcon::Error);
        return -1;
    }
    if (!source || !destination) return -1;
    if (sampleRate < kMinInputRate || sampleRate > kMaxInputRate) return -1;
    const tonekit::util::UniqueFile in(tonekit::util::OpenSourceFile(source));
    if (!in) return -1;  // a missing scratch file: nothing to encode, nothing created
    tonekit::util::UniqueFile out(tonekit::util::CreateOutputFile(destination, source));
    if (!out) return -1;
    const BeConfig config = Mp3Config(bitrate, sampleRate);
    uint32_t samplesPerChunk = 0, mp3Bytes = 0;
    BeStream stream = nullptr;
    if (be->beInitStream(&config, &samplesPerChunk, &mp3Bytes, &stream) != kBeErrSuccessful) {
        out.reset();
        tonekit::util::RemoveRegularFile(destination);
        return -1;
    }
    Encoding e{*be,
               stream,
               in.get(),
               out.get(),
               std::vector<int16_t>(samplesPerChunk),
               std::vector<uint8_t>(mp3Bytes)};
    fseeko(in.get(), 0, SEEK_END);
    const off_t length = ftello(in.get());
    const uint64_t estimated = length > 0 ? static_cast<uint64_t>(length) / 2 / samplesPerChunk : 0;
    fseeko(in.get(), kWavHeaderBytes, SEEK_SET);
    e.EncodeAll(estimated, progress);
    const bool ok = std::fclose(out.release()) == 0 && !e.writeFailed;
    be->beWriteInfoTag(stream, destination);
    if (!ok) tonekit::util::RemoveRegularFile(destination);  // created or emptied by this call
    return ok ? 0 : -1;
}
