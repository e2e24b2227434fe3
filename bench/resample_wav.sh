#!/usr/bin/env bash
# ResampleWAV against sox on the same 10-minute inputs, median of 3 runs each,
# and the peak memory of ResampleWAV on a 1 GiB WAV.
#   bench/resample_wav.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$build/bin/resample_wav_cli
[ -x "$cli" ] || { echo "build first: cmake --build $build" >&2; exit 1; }
data=bench/data
mkdir -p "$data"

make_input() {  # name rate channels seconds
  [ -f "$data/$1" ] || sox -n -r "$2" -b 16 -c "$3" "$data/$1" synth "$4" sine 220-3000 sine 997 vol 0.4
}
make_input in44k.wav 44100 2 600
make_input in22k-mono.wav 22050 1 600
make_input in48k.wav 48000 2 600

median_seconds() {  # command...
  local times=()
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

printf '%-34s %10s %10s %8s\n' case ours_s sox_s ratio
run_case() {  # label input sox-args...
  local label=$1 input=$2
  shift 2
  local ours theirs
  ours=$(median_seconds "$cli" "$data/$input" "$data/out-ours.wav" 44100 16 2)
  theirs=$(median_seconds sox "$data/$input" "$@")
  printf '%-34s %10.3f %10.3f %8.2f\n' "$label" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
}
run_case "44100/16/2 -> same (sox plain)" in44k.wav "$data/out-sox.wav"
run_case "44100/16/2 -> same (sox rate -q)" in44k.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q
run_case "22050/16/1 -> 44100/16/2" in22k-mono.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q
run_case "48000/16/2 -> 44100/16/2" in48k.wav -r 44100 -b 16 -c 2 "$data/out-sox.wav" rate -q

# Peak memory on a 1 GiB WAV (6,087 s at 44,100 Hz 16-bit stereo).
big=$data/big-1GiB.wav
[ -f "$big" ] || sox -n -r 44100 -b 16 -c 2 "$big" synth 6087 sine 440 vol 0.3
kib=$( { /usr/bin/time -v "$cli" "$big" "$data/out-big.wav" 48000 16 2 >/dev/null; } 2>&1 |
       awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}')
echo "peak memory, ResampleWAV of a $(du -h "$big" | cut -f1) WAV to 48000/16/2: $kib KiB"
rm -f "$data/out-ours.wav" "$data/out-sox.wav" "$data/out-big.wav"
