#!/usr/bin/env bash
# A 60-minute WAV to 128 kbit/s constant-bit-rate MP3: encoded in 2 parts at
# once, in one part, and by lame alone with the same settings (one run each),
# and how close the 2-part file decodes to the 1-part one.
#   bench/split_mp3.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
cli=$(require_built encode_cli)
make_input in44k-1h.wav 44100 2 3600
in=$data/in44k-1h.wav

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
two=$(seconds "$cli" mp3 128 2 "$in" "$data/two.mp3")
one=$(seconds "$cli" mp3 128 1 "$in" "$data/one.mp3")
lame=$(seconds lame --quiet -b 128 --cbr -m s --nores "$in" "$data/lame.mp3")
print_header
print_row "60 min to MP3, 2 parts vs 1 part" "$two" "$one"
print_row "60 min to MP3, 2 parts vs lame alone" "$two" "$lame"
frames() { ffmpeg -v error -i "$1" -f s16le -ac 1 - | wc -c | awk '{print $1 / 2}'; }
echo "decoded frames: input $(frames "$in"), 2 parts $(frames "$data/two.mp3"), 1 part $(frames "$data/one.mp3")"
ffmpeg -nostats -v info -i "$data/one.mp3" -i "$data/two.mp3" -filter_complex \
  "[0:a][1:a]amix=inputs=2:weights='1 -1':normalize=0,astats=measure_overall=RMS_level:measure_perchannel=none" \
  -f null - 2>&1 | awk '/RMS level/ {print "difference 2 parts - 1 part, RMS: " $NF " dBFS"}'
rm -f "$data/two.mp3" "$data/one.mp3" "$data/lame.mp3"
