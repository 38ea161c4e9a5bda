#!/usr/bin/env bash
# Renders packaging/poolside.svg into the PNG icons of the hicolor sizes,
# packaging/icons/poolside-N.png (transparent background), with headless
# Chromium. Rerun after changing the SVG; the PNGs are kept in git so that
# building the package needs no renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p packaging/icons
for size in 16 24 32 48 64 128 256; do
  printf '<html><body style="margin:0"><img src="file://%s/packaging/poolside.svg" width="%s" height="%s" style="display:block"></body></html>\n' \
    "$root" "$size" "$size" >"$work/icon.html"
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --default-background-color=00000000 --window-size="$size,$size" \
    --screenshot="$root/packaging/icons/poolside-$size.png" "file://$work/icon.html" >/dev/null 2>&1
done
file packaging/icons/*.png
