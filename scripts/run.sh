#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it with the last settings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLIX_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 --target quorlix-cli dictionaries
exec ./build/src/quorlix-cli generate "$@"
