#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: the files it
# installs, the dependencies found by dpkg-shlibdeps, and the programs run
# from the unpacked package (--version, --help, a demo meet exported).
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package check FAILED: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/out/poolside_*.deb 2>/dev/null | head -1)
[[ -f "$deb" ]] || fail "no .deb in $work/out"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/poolside ./usr/bin/poolside-console-sim ./usr/bin/poolside-make-demo \
  ./usr/share/applications/poolside.desktop ./usr/share/icons/hicolor/scalable/apps/poolside.svg \
  ./usr/share/man/man1/poolside.1.gz ./usr/share/man/man1/poolside-console-sim.1.gz \
  ./usr/share/man/man1/poolside-make-demo.1.gz; do
  grep -qxF "$path" <<<"$contents" || fail "$path missing from the package"
done
# Nothing of the build or the tests slips in.
if grep -E 'test_|build-|\.a$|\.h$' <<<"$contents"; then fail "unexpected files"; fi

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6serialport6 libqt6printsupport6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[[ $(dpkg-deb -f "$deb" Package) == poolside ]] || fail "package name"

dpkg-deb -x "$deb" "$work/root"
bin=$work/root/usr/bin
"$bin/poolside" --version | grep -qE '^poolside [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
"$bin/poolside" --help | grep -q -- '--export-all' || fail "--help"
desktop=$work/root/usr/share/applications/poolside.desktop
grep -q '^Name\[ja\]=' "$desktop" && grep -q '^Name=' "$desktop" && grep -q '^Icon=poolside$' "$desktop" ||
  fail "desktop entry names or icon"
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1 || true)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
done

# The unpacked programs work together: a demo meet, exported without a window.
"$bin/poolside-make-demo" "$work/demo" --showcase >/dev/null || fail "poolside-make-demo"
(cd "$work/demo/prog" && "$bin/poolside" --drive "c=$work/demo" --export-all) >"$work/export.out" ||
  { cat "$work/export.out" >&2; fail "--export-all"; }
[[ $(grep -c '書き出しました' "$work/export.out") -eq 8 ]] || { cat "$work/export.out" >&2; fail "export count"; }
"$bin/poolside-console-sim" --races 1 --speed 1000 --pause 0 --log "$work/sent" >/dev/null ||
  fail "poolside-console-sim"
[[ -s "$work/sent" ]] || fail "the simulator sent nothing"
echo "package ok: $(basename "$deb"), $(wc -l <<<"$contents") entries"
