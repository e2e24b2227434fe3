#!/usr/bin/env bash
# WAV2MP3, WMA2WAV and WAV2WMA against lame and ffmpeg on the same 10-minute
# input (median of 3 runs each), and the peak memory of each on a 1-hour input.
#   bench/codecs.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
cli=$(require_built codec_cli)

make_input in44k.wav 44100 2 600
make_input in44k-1h.wav 44100 2 3600
in=$data/in44k.wav
[ -f "$data/in44k.mp3" ] || lame --quiet -b 128 "$in" "$data/in44k.mp3"
[ -f "$data/in44k-1h.mp3" ] || lame --quiet -b 128 "$data/in44k-1h.wav" "$data/in44k-1h.mp3"

print_header
print_row "WAV2MP3 128 vs lame -b 128 --cbr -m s --nores" \
  "$(median_seconds "$cli" mp3 "$in" "$data/ours.mp3")" \
  "$(median_seconds lame --quiet -b 128 --cbr -m s --nores "$in" "$data/lame.mp3")"
print_row "WMA2WAV of 128k MP3 vs ffmpeg -ar 44100 -ac 2" \
  "$(median_seconds "$cli" wav "$data/in44k.mp3" "$data/ours.wav")" \
  "$(median_seconds ffmpeg -v quiet -y -i "$data/in44k.mp3" -ar 44100 -ac 2 "$data/ffmpeg.wav")"
print_row "WAV2WMA 128 vs ffmpeg -c:a wmav2 -b:a 128k" \
  "$(median_seconds "$cli" wma "$in" "$data/ours.wma")" \
  "$(median_seconds ffmpeg -v quiet -y -i "$in" -c:a wmav2 -b:a 128k "$data/ffmpeg.wma")"

echo "peak memory on a 1-hour input:"
echo "  WAV2MP3 $(peak_kib "$cli" mp3 "$data/in44k-1h.wav" "$data/ours.mp3") KiB"
echo "  WMA2WAV $(peak_kib "$cli" wav "$data/in44k-1h.mp3" "$data/ours.wav") KiB"
echo "  WAV2WMA $(peak_kib "$cli" wma "$data/in44k-1h.wav" "$data/ours.wma") KiB"
rm -f "$data"/ours.* "$data"/lame.mp3 "$data"/ffmpeg.*
