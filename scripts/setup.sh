#!/usr/bin/env bash
# Installs what building, running and testing Poolside needs on Debian 12.
# Idempotent: asks dpkg first and only calls apt-get for what is missing, so a
# machine that has everything is done in well under a second.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  mosquitto mosquitto-clients libmosquitto-dev
  libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev chromium
  fonts-ipaexfont-gothic qt6-translations-l10n
  xvfb xauth xdotool imagemagick poppler-utils
  clang-format shellcheck python3
  dpkg-dev file groff-base lintian appstream debootstrap
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine64 nsis googletest
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$p")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
