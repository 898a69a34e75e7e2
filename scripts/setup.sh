#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again; runs apt-get update only when a package is missing.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libqt6network6 qt6-multimedia-dev libqt6svg6 qt6-svg-dev qt6-qpa-plugins
  fonts-dejavu-core fonts-liberation2 xvfb xauth xdotool
  libsodium-dev libgmp-dev mdbtools mdbtools-dev libglib2.0-dev libabsl-dev libcli11-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # handing passwords out: hashes (libxcrypt), slips (cairo, Pango), QR codes
  libcrypt-dev libcairo2-dev libpango1.0-dev libqrencode-dev
  # ...and the tools their tests read them back with
  poppler-utils zbar-tools whois
  # the fuzz targets (scripts/fuzz.sh): clang and its libFuzzer runtime
  clang libclang-rt-dev
  pwgen xkcdpass time python3
  # the kill tests see a temporary file appear through the kernel's notices
  inotify-tools
  # packaging: the .deb, its checks and the desktop files' validators
  dpkg-dev fakeroot lintian desktop-file-utils appstream x11-utils file
  wamerican wamerican-small wamerican-large wamerican-huge wbritish wbritish-huge wfrench wngerman wspanish witalian
  # mdb-check brings its own reader through the npm that ships with Node.js
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=""; [ "$(id -u)" = 0 ] || sudo_cmd=sudo
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
