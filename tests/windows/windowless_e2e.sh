#!/usr/bin/env bash
# The window-less program on Windows against the same program on Linux.
# A race is timed on Linux (poolside, offscreen, through the scripted port)
# so that its capture file is recorded; then, on two copies of the demo
# meet (the Linux one with --drive c=, the Windows one as Wine's own drive
# C:), poolside-cli and poolside-cli.exe run the same command lines: list
# and re-time the captured race, list and repair its touches, export every
# race. Every exit status, standard output and standard error must be the
# same (a Linux path written in Windows' form), and so must every file of
# the data folders, byte for byte, but for the moment an apply wrote into
# the export of the races it exported (finished_at) and the capture folder
# (its journal files are named and stamped with the time of the run).
#
# Usage: windowless_e2e.sh LINUX_BUILD WINDOWS_BUILD
#   LINUX_BUILD   has src/app/poolside, src/app/poolside-cli, tools/make_demo_meet
#   WINDOWS_BUILD has src/app/poolside-cli.exe; WINEPREFIX names Wine's prefix
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux_build=$(cd "$1" && pwd)
windows_build=$(cd "$2" && pwd)
wine=${POOLSIDE_WINE:-/usr/lib/wine/wine64}
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
export TZ=JST-9

work=$windows_build/e2e
drive_c=$WINEPREFIX/drive_c
rm -rf "$work"
mkdir -p "$work/out"
fail() {
  echo "windowless e2e FAILED: $*" >&2
  exit 1
}

# The capture: race 5 timed on Linux.
"$linux_build/tools/make_demo_meet" "$work/rec" --showcase --lanes 8 >/dev/null ||
  fail "make_demo_meet"
(cd "$work/rec/prog" && QT_QPA_PLATFORM=offscreen "$linux_build/src/app/poolside" \
  --drive c="$work/rec" --script "$here/record_race.script" >"$work/out/record.out" 2>&1) ||
  fail "recording the race on Linux: $(cat "$work/out/record.out")"
captures=("$work"/rec/meet/capture/*.cap)
[[ -f ${captures[0]} ]] || fail "no capture file was recorded"

# Two copies of the same meet, the capture in a folder with a Japanese name
# (its path reaches the program as an argument).
linux=$work/linux
for root in "$linux" "$drive_c"; do
  rm -rf "$root/ctl" "$root/meet" "$root/prog" "$root/記録"
  "$linux_build/tools/make_demo_meet" "$root" --showcase --lanes 8 >/dev/null || fail "make_demo_meet"
  mkdir -p "$root/記録"
  cp "${captures[@]}" "$root/記録/"
  # Files of the same age: the export names a goal file's time as the
  # moment its race finished.
  find "$root/ctl" "$root/meet" "$root/記録" -exec touch -d "2026-01-10 10:00:00 +0900" {} +
done

# CAPTURES is the capture folder in the system's own form: --recover takes
# native paths (../記録 on Linux, ..\記録 on Windows).
commands=(
  "--recover CAPTURES"
  "--recover CAPTURES --take 1 --as 5"
  "--recover CAPTURES --take 1 --as 5 --apply"
  "--touches 5"
  "--touches 5 --lane 3 --drop 1"
  "--touches 5 --lane 3 --drop 1 --apply"
  "--touches 5 --lane 8 --as-finish 2 --apply"
  "--export-all"
  "--export-all --export-encoding cp932"
  "--touches 99 --lane 3 --drop 1"
)
applied_races=(5)

started=$(date +%s%N)
n=0
for command in "${commands[@]}"; do
  n=$((n + 1))
  read -r -a words <<<"${command//CAPTURES/..\/記録}"
  (cd "$linux/prog" && "$linux_build/src/app/poolside-cli" --drive c="$linux" "${words[@]}" \
    >"$work/out/$n.linux.out" 2>"$work/out/$n.linux.err")
  echo $? >"$work/out/$n.linux.status"
done
linux_ms=$((($(date +%s%N) - started) / 1000000))
started=$(date +%s%N)
n=0
for command in "${commands[@]}"; do
  n=$((n + 1))
  read -r -a words <<<"${command//CAPTURES/..\\記録}"
  (cd "$drive_c/prog" && LC_ALL=C.UTF-8 "$wine" "$windows_build/src/app/poolside-cli.exe" \
    "${words[@]}" >"$work/out/$n.windows.out" 2>"$work/out/$n.windows.err")
  echo $? >"$work/out/$n.windows.status"
done
windows_ms=$((($(date +%s%N) - started) / 1000000))

# Linux paths in Windows' form: the meet's folder is C:, "/" is "\".
as_windows() {
  perl -pe 's{\Q'"$linux"'\E(\S*)}{"C:" . ($1 =~ tr|/|\\|r)}ge' "$1"
}

status=0
n=0
for command in "${commands[@]}"; do
  n=$((n + 1))
  for stream in status out err; do
    if ! cmp -s <(as_windows "$work/out/$n.linux.$stream") "$work/out/$n.windows.$stream"; then
      echo "  poolside-cli $command: $stream differs (< Linux in Windows' form, > Windows):" >&2
      diff <(as_windows "$work/out/$n.linux.$stream") "$work/out/$n.windows.$stream" | head -20 >&2
      status=1
    fi
  done
done
[[ $(cat "$work/out/3.linux.status") == 0 && $(cat "$work/out/8.linux.status") == 0 ]] ||
  { echo "  the re-timing or the export failed on Linux" >&2; status=1; }
grep -q "^written" "$work/out/3.windows.out" || { echo "  no re-timing written" >&2; status=1; }

# The data folders, file by file.
masked() {  # the moment an apply wrote into an export
  sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}/(moment)/g' "$1"
}
compared=0
while IFS= read -r -d '' file; do
  rel=${file#"$linux/meet/"}
  other=$drive_c/meet/$rel
  [[ -f $other ]] || { echo "  missing on Windows: meet/$rel" >&2; status=1; continue; }
  compared=$((compared + 1))
  race=$(echo "$rel" | sed -nE 's#^export/r0*([0-9]+)\.(json|csv)$#\1#p')
  # The applied races' exports, and what the desk knows of them (the moment
  # they finished: export/desk.json).
  if [[ $rel == export/desk.json || (-n $race && " ${applied_races[*]} " == *" $race "*) ]]; then
    cmp -s <(LC_ALL=C masked "$file") <(LC_ALL=C masked "$other") ||
      { echo "  differs: meet/$rel (finished_at aside)" >&2; status=1; }
  else
    cmp -s "$file" "$other" || { echo "  differs: meet/$rel" >&2; status=1; }
  fi
done < <(find "$linux/meet" -path "$linux/meet/capture" -prune -o -type f -print0)
extra=$(cd "$drive_c/meet" && find . -path ./capture -prune -o -type f -print | while read -r f; do
  [[ -f $linux/meet/${f#./} ]] || echo "$f"; done)
[[ -z $extra ]] || { echo "  only on Windows: $extra" >&2; status=1; }
for root in "$linux" "$drive_c"; do
  ls "$root"/meet/capture/*.cap >/dev/null 2>&1 ||
    { echo "  no journal of the repairs in $root/meet/capture" >&2; status=1; }
done

echo "windowless e2e: ${#commands[@]} command lines, $compared files compared;" \
  "Linux ${linux_ms} ms, Wine ${windows_ms} ms" >&2
[[ $status -eq 0 ]] || fail "see above (outputs in $work/out)"
echo "windowless e2e passed" >&2
