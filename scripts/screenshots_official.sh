#!/usr/bin/env bash
# The official-times screenshots of the docs (rerun to refresh them),
# under Xvfb:
#   docs/screenshot-backups.png  the backup window (F9) after a race: one
#                                lane decided from its watches, one flagged
#   docs/screenshot-slip.png     the time adjustment slip of that race
#                                (export\rNNNN-slip.pdf, first page)
# Usage: scripts/screenshots_official.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath "${1:?usage: $0 BUILD_DIR}")
poolside=$build/src/app/poolside
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

demo=$work/demo
"$build/tools/make_demo_meet" "$demo" --done 2 >/dev/null

cat >"$work/race.script" <<'SCRIPT'
click frmRace.cmdZushin
port " A       10.00 \r"
port " A 11    30.00L\r"
port " A 22    31.00L\r"
port " A 33    30.50L\r"
port " A 11  1:01.00G\r"
port " A 33  1:01.70G\r"
port " A 22  1:02.00G\r"
port " A        0.00 \r"
wait 200
click frmRace.mBackup
settext frmBackup.txtLane "2"
settext frmBackup.txtWatch(0) "10100"
settext frmBackup.txtWatch(1) "10101"
settext frmBackup.txtWatch(2) "10100"
settext frmBackup.txtUse "backup"
settext frmBackup.txtReason "タッチが弱い"
click frmBackup.cmdDecide
settext frmBackup.txtLane "3"
settext frmBackup.txtWatch(0) "10135"
settext frmBackup.txtWatch(1) "10131"
settext frmBackup.txtWatch(2) ""
settext frmBackup.txtUse ""
settext frmBackup.txtReason ""
click frmBackup.cmdRecord
wait 30000
end
SCRIPT
cat >"$work/in-xvfb.sh" <<'INNER'
set -euo pipefail
work=$1 demo=$2 poolside=$3 docs=$4
(cd "$demo/prog" && exec "$poolside" --drive "c=$demo" --script "$work/race.script") \
  >"$work/a.out" 2>"$work/a.err" &
app=$!
sleep 5
win=$(xdotool search --onlyvisible --name '^予備計時' | head -1)
import -window "$win" "$docs/screenshot-backups.png"
kill "$app" 2>/dev/null || true
wait 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/in-xvfb.sh" "$work" "$demo" "$poolside" \
  "$root/docs"
pdftoppm -png -r 60 -singlefile "$demo/meet/export/r0003-slip.pdf" "$root/docs/screenshot-slip"
ls -l docs/screenshot-backups.png docs/screenshot-slip.png
