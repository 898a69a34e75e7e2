#!/usr/bin/env bash
# Installs what is needed, builds the desktop program and starts it with the
# last settings. Without a display it says so and runs quorlix-cli generate
# instead (arguments go to it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Its own Release folder: the test command's build/ keeps its tests.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF -DQUORLIX_BUILD_GUI=ON >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build-release -j2 --target quorlix quorlix-cli dictionaries
  exec ./build-release/src/quorlix "$@"
fi
echo "No display here (DISPLAY and WAYLAND_DISPLAY are not set): running quorlix-cli generate instead." >&2
cmake --build build-release -j2 --target quorlix-cli dictionaries
exec ./build-release/src/quorlix-cli generate "$@"
