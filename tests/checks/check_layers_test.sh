#!/bin/sh
# scripts/check-layers passes this tree, and fails naming the file, the line
# and the edge on an upward include planted into a copy of it (the platform
# including the desk), on an include of a folder's qt/ that only the folder
# may make, and on a line of the table it cannot read.
# Usage: check_layers_test.sh SOURCE_DIR
check=$1/scripts/check-layers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp -r "$1/src" "$work/src"
cp "$1/scripts/layers.txt" "$work/scripts/"
"$check" "$work" 2>"$work/out" || {
  cat "$work/out" >&2
  echo "FAILED: the tree as it is was refused" >&2
  exit 1
}

# expect_failure WHAT EXPECTED: the check fails with a line holding EXPECTED.
expect_failure() {
  if "$check" "$work" 2>"$work/out"; then
    echo "FAILED: $1 passed" >&2
    exit 1
  fi
  if ! grep -qF -- "$2" "$work/out"; then
    echo "FAILED: $1: no line holds \"$2\":" >&2
    cat "$work/out" >&2
    exit 1
  fi
}

cp "$work/src/platform/bytes.cpp" "$work/bytes.cpp"
printf '#include "platform/bytes.h"\n#include "app/desk.h"\n' >"$work/src/platform/bytes.cpp"
expect_failure "an upward include" 'src/platform/bytes.cpp:2: includes "app/desk.h": platform -> app is not in scripts/layers.txt'
cp "$work/bytes.cpp" "$work/src/platform/bytes.cpp"

# live/qt may include live; live may not include its own qt/.
printf '#include "live/live_state.h"\n#include "live/qt/live_core.h"\n' >"$work/src/live/planted.cpp"
expect_failure "a folder including its qt/" 'src/live/planted.cpp:2: includes "live/qt/live_core.h": live -> live/qt'
rm "$work/src/live/planted.cpp"

echo "timing => platform" >>"$work/scripts/layers.txt"
expect_failure "a malformed table line" 'scripts/layers.txt:'
echo "check-layers: the tree passes; an upward include, a qt/ include and a bad table line fail"
