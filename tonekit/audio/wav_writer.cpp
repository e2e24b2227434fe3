// Creating WAV files with the system's 44-byte header.
#include "audio/wav_file_writer.h"
#include "tonekit.h"

extern "C" int32_t CreateWAVHeader(const char* fileName, int32_t sampleRate, int32_t bitsPerSample,
                                   int32_t channels) {
    if (!fileName) return -1;
    tonekit::util::UniqueFile f(tonekit::util::CreateOutputFile(fileName));
    if (!f) return -1;
    const auto header = tonekit::audio::MakeWavHeader(static_cast<uint32_t>(sampleRate),
                                                      static_cast<uint32_t>(bitsPerSample),
                                                      static_cast<uint32_t>(channels));
    const bool written = std::fwrite(header.data(), header.size(), 1, f.get()) == 1;
    const bool closed = std::fclose(f.release()) == 0;
    if (written && closed) return 0;
    tonekit::util::RemoveRegularFile(fileName);  // no half-written header left behind
    return -1;
}
