#!/usr/bin/env bash
# Renders every window of the desktop program to PNG files in OUTDIR, to look
# at: the main window idle, running, stopped and after a run, message boxes,
# the question closing a window asks while another runs, each option and tool
# window, the Save As note, help, about and the viewer, and a run of each of
# the other two methods. Each window is checked as well: a cut-off text,
# overlapping widgets or a widget outside its window is printed and makes the
# script fail.
#   bash scripts/screens.sh OUTDIR
#   QT_SCALE_FACTOR=2 bash scripts/screens.sh OUTDIR    # as on a high-density screen
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: bash scripts/screens.sh OUTDIR" >&2; exit 2; }
out="$(realpath -m "$1")"
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIX_BUILD_TESTS=ON -DQUORLIX_BUILD_GUI=ON >/dev/null
cmake --build build -j2 --target quorlix_screens dictionaries
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A full-HD screen (twice the pixels at scale 2). The user's settings stay out
# of the pictures.
screen=tests/ui/screen-1920x1080.json
[ "${QT_SCALE_FACTOR:-1}" = 1 ] || screen=tests/ui/screen-3840x2160.json
XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM="offscreen:configfile=$PWD/$screen" ./build/tests/quorlix_screens "$out"
