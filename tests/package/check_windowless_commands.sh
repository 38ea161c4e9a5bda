#!/usr/bin/env bash
# poolside and poolside-cli run the command lines that need no window
# through the same code: the same standard output, standard error, exit
# status and files for --touches, --recover and --export-all; poolside-cli
# refuses what needs a window with its own usage and status 2.
# Usage: check_windowless_commands.sh POOLSIDE POOLSIDE_CLI MAKE_DEMO
set -uo pipefail
# shellcheck disable=SC2034 # poolside and cli are read through ${!program}
poolside=$1 cli=$2 demo=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "window-less command check FAILED: $*" >&2
  status=1
}

for program in poolside cli; do
  "$demo" "$work/$program" --showcase --lanes 8 >/dev/null || fail "make_demo_meet"
done
n=0
for args in "--touches 2" "--touches 2 --lane 5 --drop 1" "--touches 2 --lane 5 --drop 1 --apply" \
  "--touches 2 --lane 99 --drop 1" "--recover $work/none" "--export-all" \
  "--export-all --export-encoding cp932" "--touches 2 --bogus"; do
  n=$((n + 1))
  for program in poolside cli; do
    # shellcheck disable=SC2086
    (cd "$work/$program/prog" && env -u DISPLAY "${!program}" --drive c="$work/$program" $args \
      >"$work/$n.$program.out" 2>"$work/$n.$program.err")
    echo $? >"$work/$n.$program.status"
    sed -i "s|$work/$program|MEET|g" "$work/$n.$program.out" "$work/$n.$program.err"
  done
  for stream in out err status; do
    cmp -s "$work/$n.poolside.$stream" "$work/$n.cli.$stream" ||
      fail "$args: $stream differs: $(diff "$work/$n.poolside.$stream" "$work/$n.cli.$stream")"
  done
done
grep -q '^written' "$work/3.cli.out" || fail "the repair was not written: $(cat "$work/3.cli.err")"
# The exports name the moment their race finished (a goal file's time).
sed -i -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2}/(moment)/g' \
  "$work"/poolside/meet/export/* "$work"/cli/meet/export/*
diff -r -x capture "$work/poolside/meet" "$work/cli/meet" >/dev/null ||
  fail "the data folders differ: $(diff -rq -x capture "$work/poolside/meet" "$work/cli/meet")"

# Both read the user's configuration as the desk does: its mirror is
# renewed, a line not understood is named.
for program in poolside cli; do
  mkdir -p "$work/conf-$program/poolside" "$work/copy-$program"
  printf 'mirror %s\ncolour blue\n' "$work/copy-$program" >"$work/conf-$program/poolside/poolside.conf"
  (cd "$work/$program/prog" && env -u DISPLAY XDG_CONFIG_HOME="$work/conf-$program" \
    "${!program}" --drive c="$work/$program" --export-all >/dev/null 2>"$work/conf.$program.err")
  grep -q 'poolside.conf:2: .*colour blue' "$work/conf.$program.err" ||
    fail "$program --export-all: the configuration's bad line is not named: $(cat "$work/conf.$program.err")"
  cmp -s "$work/$program/meet/export/r0002.json" "$work/copy-$program/export/r0002.json" ||
    fail "$program --export-all: the configuration's mirror was not renewed"
done

for args in "" "--script x" "--competition" "--bogus"; do
  # shellcheck disable=SC2086
  "$cli" $args >"$work/out" 2>"$work/err"
  rc=$?
  [[ $rc -eq 2 ]] || fail "poolside-cli $args: status $rc (want 2)"
  grep -q '^使い方 / usage: poolside-cli ' "$work/err" || fail "poolside-cli $args: $(cat "$work/err")"
done
"$cli" --version | grep -qx 'poolside-cli [0-9.]*' || fail "poolside-cli --version"
"$cli" --help | grep -q -- '--export-all' || fail "poolside-cli --help"
[[ $status -eq 0 ]] && echo "poolside and poolside-cli agree"
exit $status
