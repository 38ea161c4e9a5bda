#!/usr/bin/env bash
# A first start as from the desktop menu, on a real X display (Xvfb): the
# program is started with no option in an empty home folder, the set-up
# dialog is filled in with xdotool (the meet office's data folder, the
# simulator's pseudo-terminal as the console's device) and saved; the
# configuration and the control file must be written and the timing window
# must open. A second start from the same home folder (an automation
# script, no --drive, no --com) then times a race from the chosen device.
# Usage: first_start_xvfb.sh POOLSIDE MAKE_DEMO CONSOLE_SIM
set -euo pipefail
poolside=$1 demo=$2 sim=$3
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "first start FAILED: $*" >&2
  for f in "$work"/*.err "$work"/*.out; do [[ -s $f ]] && { echo "--- $f" >&2; cat "$f" >&2; }; done
  exit 1
}
for tool in xvfb-run xdotool; do command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh)"; done

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
"$demo" "$work/office" --lanes 8 >/dev/null  # the meet office's folder, copied to the laptop
"$sim" --wait-open --races 1 --lanes 8 --laps 2 --tick 20 --speed 20 --seed 4 \
  >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/sim.out" ]] && break; sleep 0.05; done
pty=$(head -1 "$work/sim.out")
[[ $pty == /dev/* ]] || fail "no pseudo-terminal from the simulator"

cat >"$work/in-xvfb.sh" <<'INNER'
set -euo pipefail
poolside=$1 work=$2 data=$3 pty=$4
cd "$HOME"
env -u QT_QPA_PLATFORM "$poolside" >"$work/first.out" 2>"$work/first.err" &
app=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Poolside' | head -1)
[[ -n $win ]] || { echo "no set-up dialog" >&2; kill $app; exit 1; }
# The keys go to the dialog once it holds the input focus (--sync waits for
# it; there is no window manager to give it).
xdotool windowfocus --sync "$win"
# The folder box has the focus, its suggestion selected; then the device.
xdotool key --delay 50 ctrl+a
xdotool type --delay 10 "$data"
xdotool key --delay 50 Tab Tab ctrl+a
xdotool type --delay 10 "$pty"
xdotool key --delay 50 Return
timeout 30 xdotool search --sync --onlyvisible --name '^Seiko' >/dev/null ||
  { echo "no timing window after the set-up" >&2; kill $app; exit 1; }
kill $app
wait $app 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/in-xvfb.sh" "$poolside" "$work" \
  "$work/office/meet" "$pty" 2>"$work/xvfb.err" || fail "the first start"

conf=$XDG_CONFIG_HOME/poolside/poolside.conf
[[ -f $conf ]] || fail "no $conf"
grep -qxF "com 1=$pty" "$conf" || fail "the device is not in $conf"
grep -qxF "workdir $XDG_CONFIG_HOME/poolside/prog" "$conf" || fail "no working folder in $conf"
ctl=$XDG_CONFIG_HOME/poolside/ctl/dr_kyo.ctl
[[ $(sed -n 2p "$ctl" | tr -d '\r') == "$work/office/meet" ]] || fail "the control file does not name the data folder"

# The second start: from the home folder, everything from the configuration.
printf 'click frmRace.cmdZushin\nwait 8000\nstate\nend\n' >"$work/race.script"
(cd "$HOME" && "$poolside" -platform offscreen --script "$work/race.script") \
  >"$work/second.out" 2>"$work/second.err" || fail "the second start"
grep -q '^RaceStat=' "$work/second.out" || fail "no state printed"
goal=$work/office/meet/goal/g0001
[[ -s $goal ]] || fail "race 1 was not timed: no $goal"
echo "first start ok: set-up saved, race 1 timed from $pty ($(wc -c <"$goal") bytes of goal file)"
