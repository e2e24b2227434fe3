#!/bin/bash
# A library of 1,000 short files of mixed types, 5 % of them corrupt, through
# `sonavert --convert --jobs 2`; then every output's decoded audio is compared
# with its input's. Prints: files, failed as expected, wrong outputs, wall time.
# Usage (from the repository's top folder): build=build bench/batch_thousand.sh [work folder]
set -euo pipefail
build=${build:-build}
work=${1:-$(mktemp -d)}
in=$work/in out=$work/out
mkdir -p "$in" "$out"
rm -f "$out"/*

# Good files: a tone of its own frequency each (200 + 3 n Hz), 1 to 2 s long.
make_good() {
  local n=$1 f=$((200 + 3 * $1)) t=$((10 + $1 % 11)) kind=$(($1 % 7))
  local src="-f lavfi -i sine=frequency=$f:duration=$((t / 10)).$((t % 10)):sample_rate=44100 -ac 2"
  local name=$in/f$(printf %04d "$n")
  case $kind in
    0) ffmpeg -v error -y $src "$name.wav" ;;
    1) ffmpeg -v error -y $src -c:a pcm_s24le "$name.wav" ;;
    2) ffmpeg -v error -y $src -ar 48000 "$name.wav" ;;
    3) ffmpeg -v error -y $src -c:a libmp3lame -b:a 128k "$name.mp3" ;;
    4) ffmpeg -v error -y $src -c:a wmav2 -b:a 128k "$name.wma" ;;
    5) ffmpeg -v error -y $src "$name.flac" ;;
    6) ffmpeg -v error -y $src -c:a libvorbis "$name.ogg" ;;
  esac
}
export -f make_good
export in
if [ ! -f "$work/made" ]; then
  seq 0 949 | xargs -P 2 -I{} bash -c 'make_good {}'
  # Corrupt files: header-only WAVs, noise named .mp3, WMAs and WAVs cut
  # short of what their headers declare, text named .flac.
  for n in $(seq 950 999); do
    name=$in/f$(printf %04d "$n")
    case $((n % 5)) in
      0) head -c 44 "$in/f0000.wav" > "$name.wav" ;;
      1) head -c 20000 /dev/urandom > "$name.mp3" ;;
      2) head -c 6000 "$in/f0004.wma" > "$name.wma" ;;
      3) head -c 100000 "$in/f0007.wav" > "$name.wav" ;;
      4) echo "not audio" > "$name.flac" ;;
    esac
  done
  touch "$work/made"
fi

start=$(date +%s.%N)
set +e
"$build/bin/sonavert" --convert --to mp3 --jobs 2 --quiet --output "$out" "$in" > "$work/summary.txt"
status=$?
set -e
end=$(date +%s.%N)
python3 "$(dirname "$0")/batch_check.py" "$in" "$out" "$work/summary.txt"
printf 'exit status %d, wall time %.1f s\n' "$status" "$(echo "$end - $start" | bc -l)"
