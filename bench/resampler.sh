#!/usr/bin/env bash
# The polyphase resampler's speed and quality next to soxr and libsamplerate,
# then wavshift's ResampleFile against sox on a 10-minute WAV (median of 3).
#   bench/resampler.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
"$(require_built resampler_bench)"

make_input in44k.wav 44100 2 600
echo
print_header
print_row "ResampleFile 44100 -> 48000 vs sox -r 48000" \
  "$(median_seconds "$(require_built wavshift_cli)" "$data/in44k.wav" "$data/ours48k.wav" 48000)" \
  "$(median_seconds sox "$data/in44k.wav" -r 48000 "$data/sox48k.wav")"
rm -f "$data/ours48k.wav" "$data/sox48k.wav"
