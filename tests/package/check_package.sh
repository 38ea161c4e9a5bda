#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: lintian (no
# error, no warning), the files it installs, the dependencies, the AppStream
# metainfo, and the programs run from the unpacked package (--version,
# --help, a refused option, a demo meet exported).
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
debs=("$work"/out/poolside_*.deb)
deb=${debs[0]}
[[ -f "$deb" ]] || fail "no .deb in $work/out"

# lintian: every error (E:) and warning (W:) fails; the rest is printed.
lintian --no-cfg --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian"; }
[[ -s "$work/lintian.log" ]] && sed 's/^/  lintian: /' "$work/lintian.log" >&2

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/poolside ./usr/bin/poolside-console-sim ./usr/bin/poolside-make-demo \
  ./usr/share/applications/poolside.desktop ./usr/share/icons/hicolor/scalable/apps/poolside.svg \
  ./usr/share/icons/hicolor/48x48/apps/poolside.png ./usr/share/icons/hicolor/256x256/apps/poolside.png \
  ./usr/share/metainfo/org.example.poolside.metainfo.xml \
  ./usr/share/doc/poolside/copyright ./usr/share/doc/poolside/changelog.gz \
  ./usr/share/doc/poolside/README.Debian \
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
grep -qF 'fonts-ipaexfont-gothic | fonts-japanese-gothic' <<<"$depends" ||
  fail "Depends lacks the Japanese font: $depends"
[[ $(dpkg-deb -f "$deb" Package) == poolside ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Section) == utils ]] || fail "section"

dpkg-deb -x "$deb" "$work/root"
bin=$work/root/usr/bin
"$bin/poolside" --version | grep -qE '^poolside [0-9]+\.[0-9]+\.[0-9]+$' || fail "--version"
# Read whole before it is searched: grep -q leaves at the first match, and a
# help longer than one write would end the program with SIGPIPE (pipefail).
help=$("$bin/poolside" --help) || fail "--help"
grep -q -- '--export-all' <<<"$help" || fail "--help"
"$bin/poolside-make-demo" --version | grep -qE '^poolside-make-demo [0-9]+\.[0-9]+\.[0-9]+$' ||
  fail "poolside-make-demo --version"
"$bin/poolside-make-demo" --help | grep -q '^usage: poolside-make-demo ' || fail "poolside-make-demo --help"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.poolside.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
desktop=$work/root/usr/share/applications/poolside.desktop
# shellcheck disable=SC2015 # fail runs when any of the checks fails, as meant
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
[[ $(grep -c '書き出しました: .*/r[0-9]*\.' "$work/export.out") -eq 8 ]] || { cat "$work/export.out" >&2; fail "export count"; }
# The demo's first program (races 1 to 4, all done) has its standings beside them.
grep -q '書き出しました: .*/event1\.json' "$work/export.out" || { cat "$work/export.out" >&2; fail "standings export"; }
"$bin/poolside-console-sim" --races 1 --speed 1000 --pause 0 --log "$work/sent" >/dev/null ||
  fail "poolside-console-sim"
[[ -s "$work/sent" ]] || fail "the simulator sent nothing"
echo "package ok: $(basename "$deb"), $(wc -l <<<"$contents") entries"
