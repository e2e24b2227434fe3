// The playback ring on SDL's dummy (paced, silent) and disk (recording) drivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "test_support.h"
#include "tonekit.h"
#include "util/message.h"

using namespace testing_support;

namespace {

std::atomic<int> g_fills{0};
std::atomic<uint8_t> g_next{1};

void CountingFill(void* buffer) {
    ++g_fills;
    std::memset(buffer, g_next++, 4096);
}

// Buffer counts outside 2-16 are refused with a message; rates outside
// 8-192 kHz, at which a ring would take hours to play out on close, never open.
TEST(WaveOut, RefusesRingsItCannotPlay) {
    static std::string message;
    const auto previous = tonekit::util::SetMessagePresenter(
        [](const char* text, const char*, tonekit::util::MessageIcon) { message = text; });
    for (int count : {1, 17}) {
        message.clear();
        EXPECT_EQ(CreateWaveOut(44100, 4096, count, -1, CountingFill, nullptr), nullptr);
        EXPECT_EQ(message, "Number of Buffers Must be Between 2 and 16");
    }
    tonekit::util::SetMessagePresenter(previous);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (int32_t rate : {7999, 192001})
        EXPECT_EQ(CreateWaveOut(rate, 4096, 2, -1, CountingFill, nullptr), nullptr) << rate;
    unsetenv("SDL_AUDIODRIVER");
}

TEST(WaveOut, DummyDevicePacesTheRingAndDrainsOnClose) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (int count : {2, 16}) {  // reopening after a close works like the first time
        g_fills = 0;
        WaveOutHandle device = CreateWaveOut(44100, 4096, count, -1, CountingFill, nullptr);
        ASSERT_NE(device, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int during = g_fills;
        EXPECT_EQ(CreateWaveOut(0, 0, 0, 0, nullptr, device), nullptr);
        // 300 ms at 44,100 Hz is about 13 buffers of 4,096 bytes; a device that
        // did not pace itself would have asked for thousands.
        EXPECT_GE(during, 1);
        EXPECT_LE(during, 200);
        EXPECT_EQ(g_fills, during) << "no refills once closing";
    }
    unsetenv("SDL_AUDIODRIVER");
}

TEST(WaveOut, DiskDeviceRecordsSilenceThenWhatWasFilled) {
    TempDir dir;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir / "played.raw").c_str(), 1);
    g_next = 1;
    g_fills = 0;
    WaveOutHandle device = CreateWaveOut(44100, 4096, 3, -1, CountingFill, nullptr);
    ASSERT_NE(device, nullptr);
    while (g_fills < 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    CreateWaveOut(0, 0, 0, 0, nullptr, device);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    const Bytes played = ReadFile(dir / "played.raw");
    // At least the ring's three silent buffers come first; SDL may record
    // more silence of its own while the device starts.
    const size_t first =
        std::find_if(played.begin(), played.end(), [](uint8_t v) { return v; }) - played.begin();
    ASSERT_GE(first, 3u * 4096);
    ASSERT_EQ(first % 4096, 0u);
    ASSERT_GE(played.size(), first + static_cast<size_t>(g_fills) * 4096);
    for (int b = 0; b < g_fills; ++b)
        for (size_t i = 0; i < 4096; ++i) ASSERT_EQ(played[first + b * 4096 + i], b + 1) << b;
}

TEST(SineWaveTest, CosineWithAdvancingPhase) {
    double phase = 0;
    EXPECT_EQ(SineWave(44100, 441.0, 1.0, &phase), 1.0);
    EXPECT_NEAR(phase, 3.6, 1e-12);
}

}  // namespace
