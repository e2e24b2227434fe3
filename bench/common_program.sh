# Sourced by the batch benchmarks after common.sh: a program folder of the
# built converter in $data/program (its settings and scratch files stay
# there), and timing that also counts CPU seconds.
program=$data/program
mkdir -p "$program"
for file in sonavert libtonekit.so libsonavert-encode.so; do
  cp "$(require_built "$file")" "$program/"
done
sonavert="$program/sonavert --convert --quiet"

# timed NAME COMMAND...: runs COMMAND (through sh -c when it is one word
# list); sets ${NAME}_wall and ${NAME}_cpu (user + system, children included).
# On a shared machine the CPU seconds tell what the wall time would be with
# the cores free.
timed() {
  local name=$1 report
  shift
  report=$(mktemp)
  /usr/bin/time -f '%e %U %S' -o "$report" sh -c "$*" >/dev/null 2>&1
  printf -v "${name}_wall" '%s' "$(awk '{print $1}' "$report")"
  printf -v "${name}_cpu" '%s' "$(awk '{print $2 + $3}' "$report")"
  rm -f "$report"
}
