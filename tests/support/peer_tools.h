// The real peer tools (sox, lame, ffmpeg, ffprobe) as the codec tests use them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

// Decodes any file with ffmpeg to interleaved 44,100 Hz 16-bit stereo, through
// the audio filter `filter` when one is given.
std::vector<int16_t> FfmpegDecode(const std::string& path, const std::string& filter = "");

// Runs `ffmpeg -v error -y ARGUMENTS` (shell words), failing the test if it fails.
void Ffmpeg(const std::string& arguments);

// One ffprobe value: `entry` such as "stream=codec_name" or "format=duration".
std::string Probe(const std::string& path, const std::string& entry);

// `text` in single quotes, for a shell command.
std::string Quote(const std::string& text);

// Every tag ffprobe reads from a file (the container's, or the audio
// stream's as in Ogg), by lower-case name.
std::map<std::string, std::string> Tags(const std::string& path);

// Samples per channel that ffmpeg decodes from `path`.
long DecodedFrames(const std::string& path);

// The shift of `test` against `reference` (interleaved stereo), within +-maxLag
// frames, that matches best: test frame i + lag holds reference frame i.
long BestLag(const std::vector<int16_t>& reference, const std::vector<int16_t>& test,
             int maxLag = 4096);

// Signal-to-noise ratio in dB of `test` against `reference` (interleaved stereo),
// after shifting `test` by the lag (within +-maxLag frames) that matches best.
double AlignedSnr(const std::vector<int16_t>& reference, const std::vector<int16_t>& test,
                  int maxLag = 4096);

// A 5-second stereo test signal: a few tones spread over the band.
void MakeMusicLikeWav(const std::string& path, int rate = 44100, int channels = 2,
                      double seconds = 5.0);

}  // namespace testing_support
