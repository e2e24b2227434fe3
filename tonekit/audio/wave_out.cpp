// The playback device: a ring of equal buffers played through SDL2's audio
// output and refilled by the caller's fill callback on the audio thread.
// SDL is bound on first use so that loading the library stays cheap.
#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <new>
#include <vector>

#include "tonekit.h"
#include "util/dynamic_library.h"
#include "util/function_binding.h"
#include "util/message.h"

namespace tonekit::audio {
namespace {

// clang-format off
#define TK_SDL_FUNCTIONS(X)                                                                        \
    X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_AudioInit) X(SDL_AudioQuit)                    \
    X(SDL_GetCurrentAudioDriver) X(SDL_OpenAudioDevice) X(SDL_CloseAudioDevice)                    \
    X(SDL_PauseAudioDevice) X(SDL_GetNumAudioDevices) X(SDL_GetAudioDeviceName) X(SDL_SetHint)
// clang-format on

struct SdlApi {
    TK_SDL_FUNCTIONS(TK_DECLARE_FUNCTION)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        TK_SDL_FUNCTIONS(TK_VISIT_FUNCTION)
    }
};

// Bound on first use and kept for the life of the process: SDL is never
// unloaded, since its audio thread and its own state must outlive every device.
const SdlApi* Sdl() {
    struct Binding {
        util::DynamicLibrary library;
        SdlApi api;
    };
    static const SdlApi* api = []() -> const SdlApi* {
        // Kept for the process, bound or not: built in static storage and never
        // destroyed, so unloading tonekit neither unloads SDL nor leaves a leak.
        alignas(Binding) static unsigned char storage[sizeof(Binding)];
        static auto* binding = new (storage) Binding;
        if (!binding->library.Open({"libSDL2-2.0.so.0"})) return nullptr;
        const auto lookup = [](const char* name) { return binding->library.Symbol(name); };
        return util::BindFunctions(binding->api, lookup).empty() ? &binding->api : nullptr;
    }();
    return api;
}

// ALSA's library reports a machine without a sound card on stderr, ten lines
// at every start, while SDL tries its ALSA output before falling back. With no
// card there is nothing worth reporting, so its messages are dropped then.
extern "C" void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

bool HasSoundCard() {
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    return std::getline(cards, first) && first.find("no soundcards") == std::string::npos;
}

void QuietAlsaWithoutCard() {
    static const bool done = [] {
        if (HasSoundCard()) return true;
        util::DynamicLibrary alsa;
        if (!alsa.Open({"libasound.so.2"})) return true;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(alsa.Symbol("snd_lib_error_set_handler")))
            set(IgnoreAlsaMessage);
        alsa.Release();  // the handler must stay set while SDL uses the library
        return true;
    }();
    (void)done;
}

constexpr int kMinBuffers = 2;
constexpr int kMaxBuffers = 16;
constexpr int kDeviceChunkFrames = 1024;
// Rates a playback device is opened at; far outside them a ring of buffers
// would take hours to play out on close.
constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 192000;

}  // namespace

struct WaveOutRing {
    const SdlApi* sdl = nullptr;
    SDL_AudioDeviceID device = 0;
    bool ownDriver = false;  // the dummy driver was started for this device
    int32_t sampleRate = 0;
    uint32_t bufferBytes = 0;
    std::vector<uint8_t*> buffers;
    FillCallback fill = nullptr;
    size_t current = 0;   // the buffer playing now
    uint32_t offset = 0;  // bytes of it already played

    std::mutex lock;
    std::condition_variable allReturned;
    bool stopping = false;
    int outstanding = 0;  // buffers not yet back while stopping

    // Hands the device `len` bytes: the queued buffers in ring order; a buffer
    // that has finished playing is refilled and queued again, or, while
    // stopping, released.
    void Play(uint8_t* stream, int len) {
        while (len > 0) {
            uint8_t* buffer = buffers[current];
            if (!buffer) {  // everything came back: silence until the device closes
                std::memset(stream, 0, static_cast<size_t>(len));
                return;
            }
            const uint32_t take =
                std::min<uint32_t>(static_cast<uint32_t>(len), bufferBytes - offset);
            std::memcpy(stream, buffer + offset, take);
            stream += take;
            len -= static_cast<int>(take);
            offset += take;
            if (offset == bufferBytes) BufferDone(buffer);
        }
    }

    void BufferDone(uint8_t* buffer) {
        offset = 0;
        std::unique_lock guard(lock);
        if (!stopping) {
            guard.unlock();
            if (fill) fill(buffer);
        } else {
            std::free(buffer);
            buffers[current] = nullptr;
            if (--outstanding == 0) allReturned.notify_all();
        }
        current = (current + 1) % buffers.size();
    }
};

namespace {

void SdlCallback(void* user, Uint8* stream, int len) {
    static_cast<WaveOutRing*>(user)->Play(stream, len);
}

SDL_AudioDeviceID OpenDevice(WaveOutRing& ring, int32_t sampleRate, int32_t deviceId) {
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = kDeviceChunkFrames;
    wanted.callback = SdlCallback;
    wanted.userdata = &ring;
    const char* name = deviceId >= 0 ? ring.sdl->SDL_GetAudioDeviceName(deviceId, 0) : nullptr;
    return ring.sdl->SDL_OpenAudioDevice(name, 0, &wanted, nullptr, 0);
}

// The system's output, or SDL's paced, silent dummy driver when there is none.
bool StartDevice(WaveOutRing& ring, int32_t sampleRate, int32_t deviceId) {
    const SdlApi& sdl = *ring.sdl;
    // SDL would otherwise turn SIGINT and SIGTERM into quit events that no one
    // reads: the programs handle those signals themselves.
    sdl.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    QuietAlsaWithoutCard();
    if (sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        ring.device = OpenDevice(ring, sampleRate, deviceId);
        if (ring.device) return true;
        sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (sdl.SDL_AudioInit("dummy") != 0) return false;
    ring.ownDriver = true;
    ring.device = OpenDevice(ring, sampleRate, -1);
    return ring.device != 0;
}

void StopDevice(WaveOutRing& ring) {
    if (ring.device) ring.sdl->SDL_CloseAudioDevice(ring.device);
    if (ring.ownDriver)
        ring.sdl->SDL_AudioQuit();
    else
        ring.sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

WaveOutRing* Open(int32_t sampleRate, int32_t bufferBytes, int32_t bufferCount, int32_t deviceId,
                  FillCallback fill) {
    if (bufferCount < kMinBuffers || bufferCount > kMaxBuffers) {
        util::ShowMessage("Number of Buffers Must be Between 2 and 16", "ERROR",
                          util::MessageIcon::Error);
        return nullptr;
    }
    const SdlApi* sdl = Sdl();
    if (!sdl || sampleRate < kMinRate || sampleRate > kMaxRate || bufferBytes <= 0 ||
        bufferBytes % 4)
        return nullptr;
    auto* ring = new WaveOutRing;
    ring->sdl = sdl;
    ring->sampleRate = sampleRate;
    ring->bufferBytes = static_cast<uint32_t>(bufferBytes);
    ring->fill = fill;
    ring->outstanding = bufferCount;
    for (int i = 0; i < bufferCount; ++i)
        ring->buffers.push_back(static_cast<uint8_t*>(std::calloc(ring->bufferBytes, 1)));
    const bool allocated = std::all_of(ring->buffers.begin(), ring->buffers.end(),
                                       [](uint8_t* b) { return b != nullptr; });
    if (!allocated || !StartDevice(*ring, sampleRate, deviceId)) {
        for (uint8_t* b : ring->buffers) std::free(b);
        delete ring;
        return nullptr;
    }
    sdl->SDL_PauseAudioDevice(ring->device, 0);  // the ring of silence starts playing
    return ring;
}

// Lets every queued buffer play out and come back, then closes the device. A
// device that stopped pulling (lost, or stalled) is closed after twice the
// ring's playing time and a second more, rather than hanging the caller.
void Close(WaveOutRing* ring) {
    {
        const auto ringMs = 1000ll * static_cast<long long>(ring->bufferBytes) *
                            static_cast<long long>(ring->buffers.size()) / (4ll * ring->sampleRate);
        std::unique_lock guard(ring->lock);
        ring->stopping = true;
        ring->allReturned.wait_for(guard, std::chrono::milliseconds(2 * ringMs + 1000),
                                   [ring] { return ring->outstanding == 0; });
    }
    StopDevice(*ring);  // the audio thread has ended: what did not come back is freed here
    for (uint8_t* buffer : ring->buffers) std::free(buffer);
    delete ring;
}

}  // namespace
}  // namespace tonekit::audio

extern "C" WaveOutHandle CreateWaveOut(int32_t sampleRate, int32_t bufferBytes, int32_t bufferCount,
                                       int32_t deviceId, FillCallback fill, WaveOutHandle handle) {
    if (handle) {
        tonekit::audio::Close(static_cast<tonekit::audio::WaveOutRing*>(handle));
        return nullptr;
    }
    return tonekit::audio::Open(sampleRate, bufferBytes, bufferCount, deviceId, fill);
}

extern "C" double SineWave(int32_t sampleRate, double frequency, double amplitude, double* phase) {
    if (!phase) return 0.0;
    const double result = amplitude * std::cos(*phase * 0.01745329251994);
    *phase = std::fmod(*phase + frequency / sampleRate * 360.0, 360.0);
    return result;
}
