#!/bin/sh
# scripts/check-os-headers takes every folder under src/platform (win32/,
# qt/) as the platform and refuses a POSIX or Windows header anywhere else.
# Usage: check_os_headers_test.sh SOURCE_DIR
check=$1/scripts/check-os-headers
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/src/platform/win32" "$tree/src/platform/qt" "$tree/src/results"
printf '#include <windows.h>\n#include <aclapi.h>\n' >"$tree/src/platform/win32/os_calls.cpp"
printf '#include <unistd.h>\n' >"$tree/src/platform/qt/host.cpp"
printf '#include <ctime>\n#include "platform/paths.h"\n' >"$tree/src/results/fine.cpp"
"$check" "$tree" 2>/dev/null || { echo "FAILED: a platform folder was refused" >&2; exit 1; }
for header in windows.h aclapi.h winsock2.h io.h sys/stat.h unistd.h; do
  printf '  #  include <%s>\n' "$header" >"$tree/src/results/bad.cpp"
  if "$check" "$tree" 2>/dev/null; then
    echo "FAILED: <$header> outside src/platform passed" >&2
    exit 1
  fi
done
echo "check-os-headers: the platform's folders pass, OS headers elsewhere fail"
