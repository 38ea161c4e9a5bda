#!/usr/bin/env bash
# Every option a program's --help lists is described in its man page.
# Usage: check_man_options.sh MAN_DIR PAGE=PROGRAM...
#   e.g. check_man_options.sh packaging/man poolside=build/src/app/poolside
# The help is read from standard output and standard error, whatever the
# exit status (a usage message lists the options too).
set -uo pipefail
man_dir=$1
shift
status=0
for pair in "$@"; do
  page=${pair%%=*}
  program=${pair#*=}
  # A program that does not know --help yet names it as unknown: that line
  # is not a list of options.
  help=$("$program" --help 2>&1 | grep -v 'unknown option')
  # Options as the help writes them: "--name" or a single-dash "-platform"
  # or "-h", at the start of a word or after "[", "(" or ",".
  mapfile -t options < <(grep -oE '(^|[][ (,|])--?[a-z][a-z0-9-]*' <<<"$help" |
    sed -E 's/^[][ (,|]//' | sort -u)
  if [[ ${#options[@]} -lt 2 ]]; then
    echo "$page: the help of $program lists no options:" >&2
    echo "$help" >&2
    status=1
    continue
  fi
  # The page as text: roff's "\-" is a dash, font escapes go.
  text=$(sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/\\\(em//g' "$man_dir/$page.1")
  for option in "${options[@]}"; do
    if ! grep -qE -- "(^|[^a-z0-9-])${option}([^a-z0-9-]|$)" <<<"$text"; then
      echo "$page.1 does not describe $option (listed by $program --help)" >&2
      status=1
    fi
  done
  [[ $status -eq 0 ]] && echo "$page.1: all ${#options[@]} options of --help described"
done
exit $status
