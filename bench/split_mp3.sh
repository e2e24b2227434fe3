#!/usr/bin/env bash
# A 60-minute WAV to 128 kbit/s constant-bit-rate MP3 through `sonavert
# --convert`: --jobs 2 (two parts at once) against --jobs 1 and against lame
# alone with the same settings (one run each), and how close the two-part
# file decodes to the one-part one.
#   bench/split_mp3.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
source bench/common_program.sh
make_input in44k-1h.wav 44100 2 3600
in=$data/in44k-1h.wav
mkdir -p "$data/two" "$data/one"
rm -f "$data/two/"* "$data/one/"*

timed two "$sonavert --to mp3 --bitrate 128 --jobs 2 --output '$data/two' '$in'"
timed one "$sonavert --to mp3 --bitrate 128 --jobs 1 --output '$data/one' '$in'"
timed lame "lame --quiet -b 128 --cbr -m s --nores '$in' '$data/lame.mp3'"
printf '%-40s %8s %8s %8s\n' case wall_s cpu_s speed-up
printf '%-40s %8.1f %8.1f\n' "--jobs 2 (two parts)" "$two_wall" "$two_cpu"
printf '%-40s %8.1f %8.1f %8.2f\n' "--jobs 1" "$one_wall" "$one_cpu" "$(echo "$one_wall / $two_wall" | bc -l)"
printf '%-40s %8.1f %8.1f %8.2f\n' "lame alone" "$lame_wall" "$lame_cpu" "$(echo "$lame_wall / $two_wall" | bc -l)"
frames() { ffmpeg -v error -i "$1" -f s16le -ac 1 - | wc -c | awk '{print $1 / 2}'; }
echo "decoded frames: input $(frames "$in"), --jobs 2 $(frames "$data/two/in44k-1h.mp3"), --jobs 1 $(frames "$data/one/in44k-1h.mp3")"
ffmpeg -v error -y -i "$data/one/in44k-1h.mp3" "$data/one.wav"
ffmpeg -v error -y -i "$data/two/in44k-1h.mp3" "$data/two.wav"
echo "--jobs 1 decoded, RMS: $(sox "$data/one.wav" -n stat 2>&1 | awk '/RMS +amp/ {print $3}')," \
  "difference --jobs 2 - --jobs 1, RMS: $(sox -m -v 1 "$data/one.wav" -v -1 "$data/two.wav" -n stat 2>&1 |
  awk '/RMS +amp/ {print $3}')"
rm -rf "$data/two" "$data/one" "$data/lame.mp3" "$data/one.wav" "$data/two.wav"
