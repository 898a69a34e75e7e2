#!/usr/bin/env bash
# Renders every window of the desktop program to PNG files in OUTDIR, to look
# at: the main window idle, running, stopped and after a run, a message box,
# the question closing a window asks while another runs, each option and tool
# window, help, about and the viewer, and a run of each of the other two
# methods.
#   bash scripts/screens.sh OUTDIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: bash scripts/screens.sh OUTDIR" >&2; exit 2; }
out="$(realpath -m "$1")"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIX_BUILD_TESTS=ON -DQUORLIX_BUILD_GUI=ON >/dev/null
cmake --build build -j2 --target quorlix_screens dictionaries
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The user's settings stay out of the pictures.
XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=offscreen ./build/tests/quorlix_screens "$out"
