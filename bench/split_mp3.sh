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

# seconds NAME COMMAND...: wall seconds; the CPU seconds (user + system) go
# to $data/NAME.cpu. On a shared machine the CPU seconds say what the wall
# time would be with the cores free.
seconds() {
  local name=$1 report
  shift
  report=$(mktemp)
  /usr/bin/time -f '%e %U %S' -o "$report" "$@" >/dev/null 2>&1
  awk '{print $2 + $3}' "$report" >"$data/$name.cpu"
  awk '{print $1}' "$report"
  rm -f "$report"
}
two=$(seconds two "$cli" mp3 128 2 "$in" "$data/two.mp3")
one=$(seconds one "$cli" mp3 128 1 "$in" "$data/one.mp3")
lame=$(seconds lame lame --quiet -b 128 --cbr -m s --nores "$in" "$data/lame.mp3")
print_header
print_row "60 min to MP3, 2 parts vs 1 part" "$two" "$one"
print_row "60 min to MP3, 2 parts vs lame alone" "$two" "$lame"
echo "CPU seconds: 2 parts $(cat "$data/two.cpu"), 1 part $(cat "$data/one.cpu"), lame $(cat "$data/lame.cpu")"
rm -f "$data"/*.cpu
frames() { ffmpeg -v error -i "$1" -f s16le -ac 1 - | wc -c | awk '{print $1 / 2}'; }
echo "decoded frames: input $(frames "$in"), 2 parts $(frames "$data/two.mp3"), 1 part $(frames "$data/one.mp3")"
ffmpeg -nostats -v info -i "$data/one.mp3" -i "$data/two.mp3" -filter_complex \
  "[0:a][1:a]amix=inputs=2:weights='1 -1':normalize=0,astats=measure_overall=RMS_level:measure_perchannel=none" \
  -f null - 2>&1 | awk '/RMS level/ {print "difference 2 parts - 1 part, RMS: " $NF " dBFS"}'
rm -f "$data/two.mp3" "$data/one.mp3" "$data/lame.mp3"
