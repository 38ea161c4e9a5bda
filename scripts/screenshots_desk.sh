#!/usr/bin/env bash
# The desk screenshots of the docs (rerun to refresh them), under Xvfb:
#   docs/screenshot-link-warning.png  the timing window with the port lost:
#                                     lblLink amber and bold, with the note
#                                     of the lap file emptied by a restart
#   docs/screenshot-recovery.png      the recovery dialog (Ctrl+R) on that
#                                     race, its preview beside the files now
#   docs/board-phone.png, docs/board-phone-sideways.png, docs/home-phone.png
#                                     the live pages on a phone at that moment
# Usage: scripts/screenshots_desk.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath "${1:?usage: $0 BUILD_DIR}")
poolside=$build/src/app/poolside
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

demo=$work/demo
"$build/tools/make_demo_meet" "$demo" --showcase --lanes 8 >/dev/null

cat >"$work/lost.script" <<'SCRIPT'
click frmRace.cmdZushin
port " A       25.30 \r"
port " A 11  1:02.34G\r"
port " A 22  1:03.10G\r"
port " A 33  1:05.00G\r"
click frmRace.cmdZushin
click frmRace.cmdZushin
port " A       70.30 \r"
portlost
wait 30000
end
SCRIPT
cat >"$work/wait.script" <<'SCRIPT'
wait 30000
end
SCRIPT
cat >"$work/in-xvfb.sh" <<'INNER'
set -euo pipefail
work=$1 demo=$2 poolside=$3 docs=$4
(cd "$demo/prog" && exec "$poolside" --drive "c=$demo" --script "$work/lost.script" \
  --http 127.0.0.1:0) >"$work/a.out" 2>"$work/a.err" &
app=$!
sleep 4
win=$(xdotool search --onlyvisible --name '^Seiko' | head -1)
import -window "$win" "$docs/screenshot-link-warning.png"
url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/a.err" | head -1)
shot() {
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$1" \
    --virtual-time-budget=2000 --screenshot="$2" "$3" >/dev/null 2>&1
}
shot 390,844 "$docs/board-phone.png" "${url}scoreboard"
shot 844,390 "$docs/board-phone-sideways.png" "${url}scoreboard"
shot 390,844 "$docs/home-phone.png" "$url"
kill "$app" 2>/dev/null || true
wait 2>/dev/null || true

(cd "$demo/prog" && exec "$poolside" --drive "c=$demo" --script "$work/wait.script") \
  >"$work/b.out" 2>"$work/b.err" &
app=$!
sleep 3
win=$(xdotool search --onlyvisible --name '^Seiko' | head -1)
xdotool windowfocus --sync "$win" key --clearmodifiers ctrl+r
sleep 3
dialog=$(xdotool search --onlyvisible --name '^記録からの再計時' | head -1)
import -window "$dialog" "$docs/screenshot-recovery.png"
kill "$app" 2>/dev/null || true
wait 2>/dev/null || true
INNER
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/in-xvfb.sh" "$work" "$demo" "$poolside" \
  "$root/docs"
ls -l docs/screenshot-link-warning.png docs/screenshot-recovery.png docs/board-phone*.png \
  docs/home-phone.png
