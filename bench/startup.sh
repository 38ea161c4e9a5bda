#!/usr/bin/env bash
# Start-up benchmark: a meet of 1024 competitions whose first 1023 races are
# done, from the start of the program to the first open race's header shown
# (a script whose only line is `end`), median of 10 runs, beside an empty
# QApplication start measured in the same run; and the program's peak memory.
# Usage: bench/startup.sh [BUILD_DIR]   (default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
cmake --build "$build" --target poolside make_demo_meet empty_qt_app >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/make_demo_meet" "$work" --competitions 1024 --done 1023 >/dev/null
echo end >"$work/end.script"

median() { sort -n | awk '{a[NR]=$1} END {print (a[int((NR+1)/2)] + a[int((NR+2)/2)]) / 2}'; }
run_ms() {  # prints the wall time of one run of "$@" in milliseconds
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}
poolside=("$PWD/$build/src/app/poolside" -platform offscreen --drive "c=$work" --script "$work/end.script")
empty=("$PWD/$build/bench/empty_qt_app" -platform offscreen)
cd "$work/prog"
"${poolside[@]}" >/dev/null 2>&1 || true  # warm the caches
p=() e=()
for _ in $(seq 10); do
  p+=("$(run_ms "${poolside[@]}")")
  e+=("$(run_ms "${empty[@]}")")
done
pm=$(printf '%s\n' "${p[@]}" | median)
em=$(printf '%s\n' "${e[@]}" | median)
echo "poolside start-up (1024 competitions, 1023 done): median $(awk "BEGIN{print $pm/1000}") ms"
echo "empty QApplication start:                          median $(awk "BEGIN{print $em/1000}") ms"
echo "program's own share:                               $(awk "BEGIN{print ($pm-$em)/1000}") ms"
/usr/bin/time -f "peak memory (max RSS): %M KiB" "${poolside[@]}" 2>&1 >/dev/null | grep 'peak memory'
