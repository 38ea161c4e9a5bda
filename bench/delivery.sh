#!/usr/bin/env bash
# Records accepted whatever pieces the line hands them over in: for each
# delivery pattern of the console simulator, N lap records (default 10,000)
# on a pseudo-terminal into the program, and how many of them the race's
# lap file holds, compared record for record with what the simulator sent.
# Usage: bench/delivery.sh [--poolside BIN] [--records N] [PATTERN[@SPEED]]...
#   default patterns: the pacing ones at speed 1, the piece ones at speed 10
#   (the speed shrinks every time of the line alike, so the pieces stay).
# Binaries come from build-release (built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
build="build-release"
poolside=$PWD/$build/src/app/poolside
records=10000
patterns=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --poolside) poolside=$(realpath "$2"); shift 2 ;;
    --records) records=$2; shift 2 ;;
    *) patterns+=("$1"); shift ;;
  esac
done
[[ ${#patterns[@]} -gt 0 ]] || patterns=(byte@1 usb1@1 usb4@1 usb16@1 usb32@1 fifo8@10 fifo14@10
  random@10 burst@10 record@10)
cmake --build "$build" -j2 --target poolside console_sim make_demo_meet >/dev/null
sim=$PWD/$build/tools/console_sim
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-8s %5s %10s %10s %8s\n' pattern speed sent accepted seconds
for p in "${patterns[@]}"; do
  pattern=${p%@*}
  speed=${p#*@}
  [[ $p == *@* ]] || speed=1
  rm -rf "$work/meet" "$work/expect"
  mkdir -p "$work/expect"
  "$PWD/$build/tools/make_demo_meet" "$work/meet" --done 2 >/dev/null
  race=$(python3 -c 'import sys; b = open(sys.argv[1], "rb").read(); print(next(i + 1 for i, c in enumerate(b) if c <= 0x35))' "$work/meet/meet/Race.dat")
  # The line's time for the records, and a margin for the program to drain.
  wait_ms=$(awk "BEGIN{print int($records * 16 * 11 / 9600 / $speed * 1000) + 3000}")
  printf 'click frmRace.cmdZushin\nwait %s\nend\n' "$wait_ms" >"$work/run.script"
  "$sim" --wait-open --count "$records" --speed "$speed" --delivery "$pattern" \
    --expect "$work/expect" >"$work/sim.out" 2>"$work/sim.err" &
  simpid=$!
  pty=
  for _ in $(seq 100); do
    pty=$(head -1 "$work/sim.out" 2>/dev/null || true)
    [[ -n $pty ]] && break
    sleep 0.05
  done
  t0=$(date +%s)
  (cd "$work/meet/prog" && "$poolside" -platform offscreen --drive "c=$work/meet" \
    --com "1=$pty" --script "$work/run.script" >"$work/out" 2>"$work/err") || true
  t1=$(date +%s)
  # A program that closed the port early leaves the simulator waiting.
  kill "$simpid" 2>/dev/null || true
  wait "$simpid" 2>/dev/null || true
  lap=$work/meet/meet/lap/r$(printf '%04d' "$race")
  accepted=$(python3 - "$lap" "$work/expect/lap1" <<'PY'
import sys
got = open(sys.argv[1], 'rb').read().split(b',')
want = open(sys.argv[2], 'rb').read().split(b',')
got = [tuple(got[i:i + 3]) for i in range(0, len(got) - 2, 3)]
want = [tuple(want[i:i + 3]) for i in range(0, len(want) - 2, 3)]
# Records of the lap file that are the simulator's, in order.
n, j = 0, 0
for rec in got:
    while j < len(want) and want[j] != rec:
        j += 1
    if j < len(want):
        n += 1
        j += 1
print(n)
PY
)
  printf '%-8s %5s %10s %10s %8s\n' "$pattern" "$speed" "$records" "$accepted" $((t1 - t0))
done
