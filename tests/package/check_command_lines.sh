#!/usr/bin/env bash
# The programs' command lines: a refused option prints the usage and exits
# with status 2; poolside without a display says so in one line and exits
# with status 1 (no abort, no core dump); poolside-make-demo takes no option
# for its folder.
# Usage: check_command_lines.sh POOLSIDE MAKE_DEMO
# shellcheck disable=SC2015 # "check && check || fail": fail runs when either check fails, as meant
set -uo pipefail
poolside=$1 demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "command line check FAILED: $*" >&2
  status=1
}
cd "$work" || exit 1

# A start without a display (and none named) in a folder with no control file.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$poolside" >out 2>err
rc=$?
[[ $rc -eq 1 ]] || fail "no display: status $rc (want 1)"
[[ $(wc -l <err) -eq 1 ]] && grep -q -- '-platform offscreen' err || fail "no display: $(cat err)"
[[ ! -s out ]] || fail "no display: standard output $(cat out)"
# A display that cannot be reached: the same line, naming it.
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:97 "$poolside" >out 2>err
rc=$?
[[ $rc -eq 1 ]] || fail "unreachable display: status $rc (want 1)"
grep -q 'DISPLAY=:97' err && [[ $(wc -l <err) -eq 1 ]] || fail "unreachable display: $(cat err)"

# Offscreen with no control file and no script: the message on standard
# error and status 1 at once, as a script run ends (no box waits for a
# click). A configuration file with a huge bad line and many bad lines is
# named in a screenful, not echoed.
mkdir -p "$work.cfg/poolside"
trap 'rm -rf "$work" "$work.cfg"' EXIT
{
  printf 'colour %050000d\n' 0
  for i in $(seq 1 500); do echo "bad line $i"; done
} >"$work.cfg/poolside/poolside.conf"
for how in "-platform offscreen" "QT_QPA_PLATFORM=offscreen"; do
  if [[ $how == -platform* ]]; then
    env -u DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work.cfg" timeout 30 "$poolside" \
      -platform offscreen >out 2>err
  else
    env -u DISPLAY XDG_CONFIG_HOME="$work.cfg" QT_QPA_PLATFORM=offscreen timeout 30 "$poolside" \
      >out 2>err
  fi
  rc=$?
  [[ $rc -eq 1 ]] || fail "$how, no control file: status $rc (want 1; 124: waited on a box)"
  grep -q '^error: .*dr_kyo\.ctl' err || fail "$how, no control file: $(head -c 600 err)"
  [[ $(wc -c <err) -lt 6000 ]] || fail "$how: the configuration echoed ($(wc -c <err) bytes)"
  grep -q 'poolside.conf:1: ' err && grep -q 'ほかに 481 行' err ||
    fail "$how: bad configuration lines not named: $(head -c 600 err)"
done

for args in "--bogus" "--drive" "--com 0=/dev/ttyS0" "--help --bogus"; do
  # shellcheck disable=SC2086
  env -u DISPLAY QT_QPA_PLATFORM=offscreen "$poolside" $args >out 2>err
  rc=$?
  [[ $rc -eq 2 ]] || fail "poolside $args: status $rc (want 2)"
  grep -q '^使い方 / usage: poolside ' err || fail "poolside $args: no usage: $(cat err)"
done

for args in "--help" "-h" "--version" "--bogus" "-x --showcase"; do
  # shellcheck disable=SC2086
  "$demo" $args >out 2>err
  rc=$?
  case $args in
    --help | -h) [[ $rc -eq 0 ]] && grep -q '^usage: poolside-make-demo ' out || fail "make-demo $args" ;;
    --version) [[ $rc -eq 0 ]] && grep -qE '^poolside-make-demo [0-9.]+$' out || fail "make-demo $args" ;;
    *) [[ $rc -eq 2 ]] && grep -q '^usage: poolside-make-demo ' err || fail "make-demo $args: status $rc" ;;
  esac
done
"$demo" out --lanes >/dev/null 2>err
[[ $? -eq 2 ]] && grep -q -- '--lanes needs a value' err || fail "make-demo: --lanes without a value"
"$demo" out --bogus >/dev/null 2>&1
[[ $? -eq 2 ]] || fail "make-demo: unknown option after the folder"
made=()
for f in "$work"/* "$work"/.[!.]*; do
  [[ -e $f ]] || continue
  case ${f##*/} in out | err) ;; *) made+=("${f##*/}") ;; esac
done
[[ ${#made[@]} -eq 0 ]] || fail "a refused command made files: ${made[*]}"
[[ $status -eq 0 ]] && echo "command lines ok"
exit $status
