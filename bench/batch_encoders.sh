#!/usr/bin/env bash
# `sonavert --convert --jobs 2` through FFmpeg's encoders against the peers run
# two at a time with the same encoder: 40 thirty-second WAV files to FLAC
# (ffmpeg -c:a flac), to Opus 128 (ffmpeg -c:a libopus -b:a 128k) and to
# MP3 128 (lame -b 128 --cbr -m s --nores). Wall and CPU seconds, one run each.
#   bench/batch_encoders.sh [build-folder]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source bench/common.sh
source bench/common_program.sh

wav=$PWD/$data/batch-wav
mkdir -p "$wav"
for i in $(seq 1 40); do make_input "batch-wav/song$i.wav" 44100 2 30; done
out=$PWD/$data/batch-out
# peer COMMAND: COMMAND (with $1 an input, $2 the output folder) on every
# input, two at a time.
peer() {
  echo "cd '$wav' && ls *.wav | xargs -P2 -I{} sh -c '$1' _ {} '$out/peer'"
}
printf '%-44s %8s %8s %8s %8s %6s %6s\n' case ours_s peer_s ours_cpu peer_cpu wall cpu
for format in flac opus mp3; do
  rm -rf "$out" && mkdir -p "$out/ours" "$out/peer"
  case $format in
    flac) command='ffmpeg -v error -y -i "$1" -c:a flac "$2/${1%.wav}.flac"' ;;
    opus) command='ffmpeg -v error -y -i "$1" -c:a libopus -b:a 128k "$2/${1%.wav}.opus"' ;;
    mp3) command='lame --quiet -b 128 --cbr -m s --nores "$1" "$2/${1%.wav}.mp3"' ;;
  esac
  timed ours "$sonavert --to $format --bitrate 128 --jobs 2 --output '$out/ours' '$wav'"
  timed peer "$(peer "$command")"
  printf '%-44s %8.2f %8.2f %8.2f %8.2f %6.2f %6.2f\n' "40 x 30 s WAV -> $format, --jobs 2 vs -P2" \
    "$ours_wall" "$peer_wall" "$ours_cpu" "$peer_cpu" \
    "$(echo "$ours_wall / $peer_wall" | bc -l)" "$(echo "$ours_cpu / $peer_cpu" | bc -l)"
done
rm -rf "$out"
