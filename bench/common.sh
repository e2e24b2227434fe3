# Shared by the benchmark scripts (sourced from the repository's top folder,
# with $build set): inputs, timing, the result table.
data=bench/data
mkdir -p "$data"

# make_input NAME RATE CHANNELS SECONDS: a swept two-tone signal made by sox.
make_input() {
  [ -f "$data/$1" ] || sox -n -r "$2" -b 16 -c "$3" "$data/$1" synth "$4" sine 220-3000 sine 997 vol 0.4
}

# median_seconds COMMAND...: median wall time of three runs.
median_seconds() {
  local times=()
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

print_header() { printf '%-40s %10s %10s %8s\n' case ours_s peer_s ratio; }

# print_row LABEL OURS PEER
print_row() {
  printf '%-40s %10.3f %10.3f %8.2f\n' "$1" "$2" "$3" "$(echo "$2 / $3" | bc -l)"
}

# peak_kib COMMAND...: maximum resident set size reported by /usr/bin/time -v.
peak_kib() {
  local report
  report=$(mktemp)
  /usr/bin/time -v -o "$report" "$@" >/dev/null 2>&1
  awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$report"
  rm -f "$report"
}

# require_built PROGRAM: the path of a benchmark program of $build, or a hint.
require_built() {
  [ -x "$build/bin/$1" ] || { echo "build first: cmake --build $build" >&2; exit 1; }
  echo "$build/bin/$1"
}
