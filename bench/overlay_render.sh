#!/usr/bin/env bash
# What one touch costs in the browser, measured by hand (not part of the
# tests): the board (/scoreboard) and the lanes overlay (/overlay/lanes)
# each take N lane messages of the live feed (feed.js, shared by both) from
# a stand-in socket, in headless Chromium, in the same run. Per message:
# the time from the socket's message to the page drawn again (the feed's
# handler returns after drawing). Both pages get the same bytes on the same
# /ws feed from the server, so this is the only place their delivery can
# differ.
#
#   bench/overlay_render.sh [N]      (N messages, default 2000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pages=$root/src/live/qt/pages
n=${1:-2000}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$pages"/{live.css,feed.js,scoreboard.js,overlay.js} "$dir"/

lanes=""
for l in 1 2 3 4 5 6 7 8 9 10; do
  [[ -n $lanes ]] && lanes+=","
  lanes+="{\"lane\":$l,\"entry\":$((100 + l)),\"rank\":0,\"time\":\"\",\"laps\":0,\"metres\":0,"
  lanes+="\"finished\":false,\"flag\":\"\",\"name\":\"山田 太郎$l\",\"club\":\"第一中学校水泳部\"}"
done
label() { printf '{"code":"1","label":"%s"}' "$1"; }
race="{\"race\":14,\"status\":\"1\",\"program\":112,\"heat\":2,\"heats\":3,\"sex\":$(label 男子),"
race+="\"class\":$(label 一般),\"event\":$(label 100m自由形),\"round\":$(label 予選),"
race+="\"finished\":false,\"lanes\":[$lanes]}"
snapshot="{\"type\":\"state\",\"seq\":1,\"race\":$race,\"result\":null,\"hold\":false,"
snapshot+="\"clock\":{\"text\":\"   12.30\",\"running\":true},\"reception\":{\"on\":true,\"port\":1},"
snapshot+="\"link\":{\"lost\":false,\"text\":\"\"}}"

# The stand-in socket: once the page is loaded, N lane messages one after
# another, each timed around the feed's handler.
cat >"$dir/fake.js" <<JS
window.WebSocket = function () { const ws = this; ws.close = function () {}; window.benchSocket = ws; };
window.addEventListener('load', function () {
  const ws = window.benchSocket;
  const snap = JSON.parse(document.getElementById('snapshot').textContent);
  let seq = snap.seq;
  const times = [];
  for (let k = 0; k < $n; ++k) {
    const lane = JSON.parse(JSON.stringify(snap.race.lanes[k % 10]));
    lane.rank = 1 + (k % 10);
    lane.laps = 1 + Math.floor(k / 10);
    lane.time = '  ' + (20 + (k % 40)) + '.' + String(k % 100).padStart(2, '0');
    const data = JSON.stringify({type: 'lane', seq: ++seq, race: snap.race.race, lane: lane});
    const t0 = performance.now();
    ws.onmessage({data: data});
    times.push(performance.now() - t0);
  }
  times.sort((a, b) => a - b);
  const q = (p) => times[Math.min(times.length - 1, Math.floor(p * times.length))].toFixed(3);
  document.body.dataset.bench = 'p50=' + q(0.5) + 'ms p95=' + q(0.95) + 'ms p99=' + q(0.99) + 'ms';
});
JS

page() {  # $1 template, $2 kind (overlay only)
  sed -e "s|/static/||g" -e "s|<!--MEET-->|記録会|" -e "s|<!--KIND-->|$2|" \
      -e "s|<script src=\"feed.js\">|<script src=\"fake.js\"></script><script src=\"feed.js\">|" \
      -e "s|<!--SNAPSHOT-->|<script id=\"snapshot\" type=\"application/json\">$snapshot</script>|" \
      "$pages/$1"
}
page scoreboard.html "" >"$dir/board.html"
page overlay.html lanes >"$dir/overlay.html"

for p in board overlay; do
  out=$(chromium --headless --no-sandbox --disable-gpu --window-size=1920,1080 \
        --dump-dom "file://$dir/$p.html" 2>/dev/null)
  printf '%-8s %s\n' "$p" "$(grep -o 'data-bench="[^"]*"' <<<"$out" | cut -d'"' -f2)"
done
