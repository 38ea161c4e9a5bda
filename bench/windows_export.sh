#!/usr/bin/env bash
# --export-all of a demo meet: the window-less program built for Linux (the
# release preset's poolside-cli) against the one built for Windows (the
# windows preset's poolside-cli.exe) under Wine, in the same run; median of
# RUNS runs of each, whole process (start included), and their ratio. Three
# meets: the showcase demo meet (4 races finished), 300 and 1000 finished
# races. Wine keeps one wineserver running, as scripts/test-windows does.
# Usage: bench/windows_export.sh [RUNS]   (default 10; by hand, not in ./test)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-10}
cmake --build build-release --target poolside-cli make_demo_meet >/dev/null
cmake --build build-windows --target poolside-cli >/dev/null
export WINEPREFIX=$root/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=JST-9
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine64
/usr/lib/wine/wineserver -p 2>/dev/null || true  # one server for every start (or the one running)
trap '/usr/lib/wine/wineserver -k; rm -rf "$root/build-windows/wine/drive_c/bench"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print (a[int((NR+1)/2)] + a[int((NR+2)/2)]) / 2}'; }
run_ms() {  # the wall time of one run of "$@", in milliseconds
  local t0
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  awk -v a="$t0" -v b="$(date +%s%N)" 'BEGIN { printf "%.1f\n", (b - a) / 1e6 }'
}

bench=$root/build-windows/wine/drive_c/bench
for meet in "--showcase" "--competitions 400 --done 300" "--competitions 1024 --done 1000"; do
  rm -rf "$bench"
  # shellcheck disable=SC2086
  "$root/build-release/tools/make_demo_meet" "$bench" $meet >/dev/null
  cd "$bench/prog"
  linux=("$root/build-release/src/app/poolside-cli" --drive "c=$bench" --export-all)
  windows=("$wine" "$root/build-windows/src/app/poolside-cli.exe" --drive "c=C:\\bench" --export-all)
  "${linux[@]}" >/dev/null && "${windows[@]}" >/dev/null  # warm the caches
  l=() w=()
  for _ in $(seq "$runs"); do
    l+=("$(run_ms "${linux[@]}")")
    w+=("$(run_ms "${windows[@]}")")
  done
  lm=$(printf '%s\n' "${l[@]}" | median)
  wm=$(printf '%s\n' "${w[@]}" | median)
  races=$(grep -c json <("${linux[@]}"))
  printf '%-32s %4d races  Linux %8.1f ms  Wine %8.1f ms  ratio %5.2f\n' "make_demo_meet $meet" \
    "$races" "$lm" "$wm" "$(awk -v w="$wm" -v l="$lm" 'BEGIN { print w / l }')"
  cd "$root"
done
