#!/usr/bin/env bash
# Makes the screenshots of the docs under docs/ (rerun to refresh them):
#   docs/screenshot-timing.png       the timing window mid-race (Xvfb, the
#                                    console simulator on a pseudo-terminal)
#   docs/screenshot-competition.png  the competition screen (offscreen grab)
#   docs/scoreboard.png              the live scoreboard at the same moment
#                                    (--http, headless Chromium)
#   docs/screenshot-touches.png      the touch repair window (F7) and
#   docs/screenshot-results.png      the result view (F8) after a race whose
#                                    lane 6 ended on a lap (Xvfb)
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath "${1:-$root/build-release}")

scripts/setup.sh
if [[ $# -eq 0 ]]; then
  cmake --preset release >/dev/null
  cmake --build "$build" -j2 --target poolside make_demo_meet console_sim
fi
poolside=$build/src/app/poolside
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

demo=$work/demo
"$build/tools/make_demo_meet" "$demo" --showcase --lanes 8

echo "== competition screen" >&2
(cd "$demo/prog" && "$poolside" -platform offscreen --drive "c=$demo" --competition \
  --screenshot "$work/start.png") >/dev/null
cp "$work/start-kyogi.png" docs/screenshot-competition.png

echo "== timing window and scoreboard mid-race (Xvfb, headless Chromium)" >&2
cat >"$work/race.script" <<'SCRIPT'
click frmRace.cmdZushin
wait 30000
end
SCRIPT
cat >"$work/in-xvfb.sh" <<'INNER'
set -euo pipefail
work=$1 demo=$2 poolside=$3 sim=$4 out=$5 board=$6
"$sim" --wait-open --races 1 --lanes 8 --laps 2 --tick 8 --seed 5 >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do [[ -s "$work/sim.out" ]] && break; sleep 0.05; done
pty=$(head -1 "$work/sim.out")
(cd "$demo/prog" && exec "$poolside" --drive "c=$demo" --com "1=$pty" --script "$work/race.script" \
  --http 127.0.0.1:0) \
  >"$work/poolside.out" 2>"$work/poolside.err" &
app_pid=$!
# Mid-race: the first laps are in, the clock runs.
sleep 9
win=$(xdotool search --onlyvisible --name '^Seiko' | head -1)
import -window "$win" "$out"
# The board of the same moment: the page carries the snapshot of the race.
url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/poolside.err" | head -1)
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1280,720 \
  --virtual-time-budget=2000 --screenshot="$board" "${url}scoreboard" >/dev/null 2>&1
kill "$app_pid" "$sim_pid" 2>/dev/null || true
wait 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/in-xvfb.sh" "$work" "$demo" "$poolside" \
  "$build/tools/console_sim" "$root/docs/screenshot-timing.png" "$root/docs/scoreboard.png"

echo "== touch repair window and result view (Xvfb)" >&2
repair=$work/repair
"$build/tools/make_demo_meet" "$repair" --showcase --lanes 8
cat >"$work/repair.script" <<'SCRIPT'
click frmRace.cmdZushin
port " A       12.30 \r"
port " A 11    28.31L\r"
port " A 22    28.54L\r"
port " A 33    28.90L\r"
port " A 44    29.12L\r"
port " A 55    29.40L\r"
port " A 66    34.91L\r"
port " A 11    58.02G\r"
port " A 22    58.77G\r"
port " A 33    59.31G\r"
port " A 44    59.86G\r"
port " A 55  1:00.42G\r"
port " A        0.00 \r"
click frmRace.mKekka
click frmRace.mTouches
wait 30000
end
SCRIPT
cat >"$work/repair-xvfb.sh" <<'INNER'
set -euo pipefail
work=$1 demo=$2 poolside=$3 touches=$4 results=$5
(cd "$demo/prog" && exec "$poolside" --drive "c=$demo" --script "$work/repair.script") \
  >"$work/repair.out" 2>"$work/repair.err" &
app_pid=$!
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^タッチの修正' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1
# The repair window opens on the race just finished, at lane 6.
win=$(xdotool search --onlyvisible --name '^タッチの修正' | head -1)
import -window "$win" "$touches"
res=$(xdotool search --onlyvisible --name '^結果' | head -1)
xdotool windowraise "$res"
sleep 0.5
import -window "$res" "$results"
kill "$app_pid" 2>/dev/null || true
wait 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 1600x1024x24" bash "$work/repair-xvfb.sh" "$work" "$repair" "$poolside" \
  "$root/docs/screenshot-touches.png" "$root/docs/screenshot-results.png"

ls -l docs/screenshot-*.png docs/scoreboard.png
