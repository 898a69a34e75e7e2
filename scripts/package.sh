#!/usr/bin/env bash
# Builds the Debian packages of Quorlix from a Release build in build-pkg/ and
# prints the paths of the two .deb files: quorlix-cli, then quorlix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs="${QUORLIX_JOBS:-2}"

# Debian's own compiler and linker flags for packages, with every hardening
# option (fortified functions, immediate binding, read-only relocations).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags="$(dpkg-buildflags --get CPPFLAGS)"
cflags="$(dpkg-buildflags --get CFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

# Every switch is given, so a folder configured differently before still
# builds what the package holds and nothing else.
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF -DQUORLIX_BUILD_GUI=ON \
  -DQUORLIX_BUILD_BENCH=OFF -DQUORLIX_SANITIZE=OFF -DQUORLIX_WERROR=OFF \
  -DCMAKE_C_FLAGS="$cppflags $cflags" -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-pkg -j"$jobs"

rm -f build-pkg/quorlix_*.deb build-pkg/quorlix-cli_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
# Two packages: quorlix-cli (the command line and the dictionaries) and quorlix
# (the desktop program), one path a line.
for deb in build-pkg/quorlix-cli_*.deb build-pkg/quorlix_*.deb; do
  echo "$PWD/$deb"
done
