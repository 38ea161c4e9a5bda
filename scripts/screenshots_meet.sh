#!/usr/bin/env bash
# Makes the docs' screenshots of the meet's pages under docs/ (rerun to
# refresh them), from the demo meet with an entry list and the live pages of
# a real desk (a script run, offscreen), taken with headless Chromium:
#   docs/board-names.png      the scoreboard with names and clubs (1280x720)
#   docs/events-phone.png     /events/P, a program's standings, on a phone (390x844)
#   docs/overlay-lanes.png    /overlay/lanes laid over a picture (1920x1080, shown smaller)
# Usage: scripts/screenshots_meet.sh [BUILD_DIR]   (default build-release, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath "${1:-$root/build-release}")
if [[ $# -eq 0 ]]; then
  cmake --preset release >/dev/null
  cmake --build "$build" -j2 --target poolside make_demo_meet
fi
poolside=$build/src/app/poolside
work=$(mktemp -d)
app_pid=
cleanup() {
  if [[ -n $app_pid ]]; then kill "$app_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

demo=$work/demo
"$build/tools/make_demo_meet" "$demo" --showcase --lanes 8 >/dev/null
# An entry list for the demo's entry numbers: names, kana and clubs made up.
python3 - "$demo/meet/entries.csv" <<'PY'
import sys
family = [("山田", "ヤマダ"), ("佐藤", "サトウ"), ("鈴木", "スズキ"), ("高橋", "タカハシ"),
          ("田中", "タナカ"), ("伊藤", "イトウ"), ("渡辺", "ワタナベ"), ("中村", "ナカムラ"),
          ("小林", "コバヤシ"), ("加藤", "カトウ"), ("長谷川", "ハセガワ"), ("五十嵐", "イガラシ")]
given = [("太郎", "タロウ"), ("花子", "ハナコ"), ("翔", "ショウ"), ("美咲", "ミサキ"),
         ("大翔", "ヒロト"), ("結衣", "ユイ"), ("蓮", "レン"), ("陽菜", "ヒナ"), ("悠真", "ユウマ")]
clubs = ["市立第一中学校", "ＳＡＫＵＲＡスイミング", "県立海浜高等学校水泳部", "みなと水泳クラブ",
         "東スイミングスクール"]
with open(sys.argv[1], "w", encoding="utf-8-sig", newline="") as f:
    f.write("番号,氏名,フリガナ,所属,県,学年\r\n")
    for n in range(1, 801):
        fa, fk = family[n % len(family)]
        ga, gk = given[(n * 7) % len(given)]
        f.write(f"{n},{fa} {ga},{fk} {gk},{clubs[n % len(clubs)]},静岡,{'中' if n % 2 else '高'}{1 + n % 3}\r\n")
PY

# Race 5 (program 2, heat 1) on screen, its first laps in.
cat >"$work/race.script" <<'SCRIPT'
settext frmRace.txtBiko "2.1"
key frmRace.txtBiko Enter
click frmRace.cmdZushin
port " A       12.30 \r"
port " A 11    28.31L\r"
port " A 22    28.54L\r"
port " A 33    28.90L\r"
port " A 44    29.12L\r"
port " A 55    29.40L\r"
port " A       31.20 \r"
wait 60000
end
SCRIPT
(cd "$demo/prog" && exec "$poolside" -platform offscreen --drive "c=$demo" \
  --script "$work/race.script" --http 127.0.0.1:0) >"$work/out" 2>"$work/err" &
app_pid=$!
url=
for _ in $(seq 200); do
  url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/err" | head -1 || true)
  [[ -n $url ]] && break
  sleep 0.05
done
[[ -n $url ]] || { cat "$work/err" >&2; exit 1; }
sleep 2
shot() {  # size, url, file
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$1" \
    --default-background-color=00000000 --virtual-time-budget=2000 --screenshot="$3" "$2" \
    >/dev/null 2>&1
}
shot 1280,720 "${url}scoreboard" "$root/docs/board-names.png"
shot 390,844 "${url}events/1" "$root/docs/events-phone.png"
shot 1920,1080 "${url}overlay/lanes" "$work/overlay.png"
# A picture to lay it over: a pool made up of gradients and lane ropes.
convert -size 1920x1080 gradient:'#2a7fb8-#0b3d5c' \
  \( -size 1920x1080 xc:none -stroke '#e8d24a' -strokewidth 10 \
     -draw "line 0,300 1920,220" -draw "line 0,520 1920,430" -draw "line 0,760 1920,660" \
     -draw "line 0,1010 1920,900" \) -composite "$work/pool.png"
convert "$work/pool.png" "$work/overlay.png" -composite -resize 960x540 "$root/docs/overlay-lanes.png"
ls -l docs/board-names.png docs/events-phone.png docs/overlay-lanes.png
