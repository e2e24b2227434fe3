// The playback device, open from start-up to shutdown. Its fill routine runs
// on the audio thread and writes silence while nothing is previewed.
#pragma once

#include <cstdint>

#include "converter.h"

namespace sonavert {

class Preview;

// The preview that fills the buffers; none: silence.
void SetPlaybackSource(Preview* preview);

// Opens the device with `chunkBytes` per buffer; null when it cannot open.
WaveOutHandle OpenPlayback(Converter& converter, int32_t chunkBytes);
// Waits for the buffers to come back and closes the device.
void ClosePlayback(Converter& converter, WaveOutHandle device);
// The size of each buffer of the open device.
int32_t PlaybackChunkBytes();

}  // namespace sonavert
