#!/usr/bin/env bash
# ResampleWAV against sox on the same 10-minute inputs, median of 3 runs each,
# and the peak memory of ResampleWAV on a 1 GiB WAV.
#   bench/resample_wav.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
cli=$(require_built resample_wav_cli)

make_input in44k.wav 44100 2 600
make_input in22k-mono.wav 22050 1 600
make_input in48k.wav 48000 2 600

print_header
run_case() {  # label input sox-args...
  local label=$1 input=$2
  shift 2
  local ours theirs
  ours=$(median_seconds "$cli" "$data/$input" "$data/out-ours.wav" 44100 16 2)
  theirs=$(median_seconds sox "$data/$input" "$@")
  print_row "$label" "$ours" "$theirs"
}
run_case "44100/16/2 -> same (sox plain)" in44k.wav "$data/out-sox.wav"
run_case "44100/16/2 -> same (sox rate -q)" in44k.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q
run_case "22050/16/1 -> 44100/16/2" in22k-mono.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q
run_case "48000/16/2 -> 44100/16/2" in48k.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q

# Peak memory on a 1 GiB WAV (6,087 s at 44,100 Hz 16-bit stereo).
big=$data/big-1GiB.wav
[ -f "$big" ] || sox -n -r 44100 -b 16 -c 2 "$big" synth 6087 sine 440 vol 0.3
kib=$(peak_kib "$cli" "$big" "$data/out-big.wav" 48000 16 2)
echo "peak memory, ResampleWAV of a $(du -h "$big" | cut -f1) WAV to 48000/16/2: $kib KiB"
rm -f "$data/out-ours.wav" "$data/out-sox.wav" "$data/out-big.wav"
