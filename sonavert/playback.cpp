#include "playback.h"

#include "preview.h"

#include <atomic>
#include <cstring>

namespace sonavert {
namespace {

std::atomic<int32_t> g_chunkBytes{0};
std::atomic<const ConverterFlags*> g_flags{nullptr};
std::atomic<Preview*> g_preview{nullptr};

void FillPlaybackBuffer(void* buffer) {
    const ConverterFlags* flags = g_flags.load();
    if (!flags || flags->shuttingDown) return;
    if (Preview* preview = g_preview.load())
        preview->Fill(static_cast<uint8_t*>(buffer), g_chunkBytes.load());
    else
        std::memset(buffer, 0, static_cast<size_t>(g_chunkBytes.load()));
}

}  // namespace

WaveOutHandle OpenPlayback(Converter& converter, int32_t chunkBytes) {
    g_chunkBytes = chunkBytes;
    g_flags = &converter.flags;
    return converter.tk.CreateWaveOut(44100, chunkBytes, 4, -1, FillPlaybackBuffer, nullptr);
}

void ClosePlayback(Converter& converter, WaveOutHandle device) {
    if (device) converter.tk.CreateWaveOut(0, 0, 0, 0, nullptr, device);
    g_flags = nullptr;
}

void SetPlaybackSource(Preview* preview) {
    g_preview = preview;
}

int32_t PlaybackChunkBytes() {
    return g_chunkBytes;
}

}  // namespace sonavert
