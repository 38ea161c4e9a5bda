#!/usr/bin/env bash
# Runs one fault case (see CMakeLists.txt): a fresh demo meet, the faults the
# case's header lines set up, the program with the case's script, and then
# the checks: every expected message is in the output, the exit status is
# the expected one and every file named intact is byte-identical to before.
#   run_fault.sh CASE POOLSIDE MAKE_DEMO_MEET WORKDIR
# Header lines (all optional, in any order):
#   # setup: ARGS          more arguments for make_demo_meet
#   # tmpfs: SIZE          the data folder on a tmpfs of SIZE (a full disk)
#   # before: COMMAND      a shell command run in the demo folder first
#   # during: TEXT => COMMAND  run COMMAND once TEXT appears in the output
#   # unprivileged         run the program as nobody (when run as root)
#   # expect: TEXT         a line of the output holds TEXT
#   # warns: TEXT          a line of standard error holds TEXT
#   # intact: PATH...      files (in the demo folder) that must not change
#   # exit: N              the expected exit status (0 when absent)
#   # noise: BLOCKS SEED   the script line "noise" becomes BLOCKS port blocks of
#                          16 random bytes (awk's generator seeded with SEED)
#   # known-fault: TEXT    the case shows a fault not mended yet: while it
#                          fails it is reported as skipped with TEXT
#   # args: ARGS           more program arguments; <demo> is the demo folder
# Exit status 77 (skipped) when the machine cannot do what the case needs.
set -uo pipefail
case_file=$1 poolside=$2 make_demo=$3 work=$4
name=$(basename "$case_file" .fault)

skip() {
  echo "SKIPPED $name: $*"
  exit 77
}
fail() {
  known=$(header known-fault)
  if [[ -n "$known" ]]; then
    echo "SKIPPED $name: known fault not mended yet: $known ($*)"
    exit 77
  fi
  echo "FAILED $name: $*"
  [[ -f "$work/out" ]] && sed 's/^/  out: /' "$work/out"
  [[ -f "$work/err" ]] && sed 's/^/  err: /' "$work/err" | head -20
  exit 1
}

header() { sed -n "s/^# $1: *//p" "$case_file"; }

umount "$work/meet/meet" 2>/dev/null || true
rm -rf "$work"
mkdir -p "$work"
demo=$work/meet
read -r -a setup_args <<<"$(header setup)"
"$make_demo" "$demo" "${setup_args[@]}" >/dev/null || fail "make_demo_meet failed"

size=$(header tmpfs)
if [[ -n "$size" ]]; then
  [[ $(id -u) -eq 0 ]] || skip "mounting a tmpfs needs root"
  cp -a "$demo/meet" "$work/meet.saved"
  if ! mount -t tmpfs -o "size=$size,mode=0755" tmpfs "$demo/meet" 2>"$work/mount.err"; then
    skip "cannot mount a tmpfs here: $(cat "$work/mount.err")"
  fi
  trap 'umount "$demo/meet" 2>/dev/null' EXIT
  cp -a "$work/meet.saved/." "$demo/meet/"
fi

while IFS= read -r cmd; do
  (cd "$demo" && bash -c "$cmd") || fail "before: $cmd"
done < <(header before)

run_as=()
if grep -q '^# unprivileged' "$case_file" && [[ $(id -u) -eq 0 ]]; then
  command -v setpriv >/dev/null || skip "setpriv is missing: cannot drop root to test permissions"
  nobody=$(id -u nobody 2>/dev/null) || skip "there is no user nobody"
  chown -R nobody "$work"
  run_as=(setpriv --reuid="$nobody" --regid="$(id -g nobody)" --clear-groups)
  "${run_as[@]}" test -x "$poolside" -a -w "$demo/prog" ||
    skip "nobody cannot reach $poolside or $demo (a parent folder is closed to other users)"
fi

read -r -a intact <<<"$(header intact)"
declare -A sums
for f in "${intact[@]}"; do
  [[ -f "$demo/$f" ]] || fail "intact file $f does not exist before the run"
  sums[$f]=$(sha256sum <"$demo/$f")
done

# A script of its own: the case's lines with the header dropped.
read -r blocks seed <<<"$(header noise)"
noise_lines() {
  awk -v n="${blocks:-0}" -v seed="${seed:-1}" 'BEGIN {
    srand(seed)
    for (i = 0; i < n; i++) {
      line = "port \""
      for (j = 0; j < 16; j++) line = line sprintf("\\x%02x", int(rand() * 256))
      print line "\""
    }
  }'
}
while IFS= read -r line; do
  if [[ "$line" == noise ]]; then noise_lines; else printf '%s\n' "$line"; fi
done < <(grep -v '^# ' "$case_file") >"$work/case.script"
chmod a+r "$work/case.script"
read -r -a more_args <<<"$(header args | sed "s|<demo>|$demo|g")"
(cd "$demo/prog" && exec "${run_as[@]}" env QT_QPA_PLATFORM=offscreen "$poolside" -platform offscreen \
  --drive "c=$demo" "${more_args[@]}" --script "$work/case.script" >"$work/out" 2>"$work/err") &
pid=$!
during=$(header during)
if [[ -n "$during" ]]; then
  marker=${during%% => *} cmd=${during#* => }
  # Until the output shows the marker (at most 30 s) or the program ended.
  for _ in $(seq 600); do
    if grep -qF -- "$marker" "$work/out" 2>/dev/null; then
      (cd "$demo" && bash -c "$cmd") || fail "during: $cmd"
      touch "$work/during.done"
      # The script waits for this (waitfile c:\during.done) before it goes on.
      touch "$demo/during.done"
      break
    fi
    kill -0 $pid 2>/dev/null || break
    sleep 0.05
  done
  [[ -f "$work/during.done" ]] || fail "the output never showed \"$marker\""
fi
wait $pid
rc=$?
# Paths in the output read <demo> for the demo folder.
sed -i "s|$demo|<demo>|g" "$work/out" "$work/err"

expected_rc=$(header exit)
[[ $rc -eq ${expected_rc:-0} ]] || fail "exit status $rc, expected ${expected_rc:-0}"
while IFS= read -r text; do
  grep -qF -- "$text" "$work/out" || fail "no output line holds: $text"
done < <(header expect)
while IFS= read -r text; do
  grep -qF -- "$text" "$work/err" || fail "no line of standard error holds: $text"
done < <(header warns)
for f in "${intact[@]}"; do
  [[ -f "$demo/$f" ]] || fail "$f is gone"
  [[ $(sha256sum <"$demo/$f") == "${sums[$f]}" ]] || fail "$f changed"
done
echo "passed $name"
