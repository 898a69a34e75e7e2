#!/usr/bin/env bash
# Renders every window of the desktop program to PNG files in OUTDIR, to look
# at: the main window idle, running, stopped and after a run, message boxes,
# the question closing a window asks while another runs, each option and tool
# window, the Save As note, help, about and the viewer, a run of each of the
# other two methods; the roster beside the count, the slip options and a page
# of slips (by pdftoppm). Each window is checked as well: a cut-off text,
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
cmake --build build -j2 --target quorlix_screens quorlix-cli dictionaries
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
faults=0
# A full-HD screen (twice the pixels at scale 2). The user's settings stay out
# of the pictures.
screen=tests/ui/screen-1920x1080.json
[ "${QT_SCALE_FACTOR:-1}" = 1 ] || screen=tests/ui/screen-3840x2160.json
XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM="offscreen:configfile=$PWD/$screen" ./build/tests/quorlix_screens "$out" || faults=$?
# A page of slips as it prints: ten to a page, QR codes, heading and note.
printf 'Last Name,First Name,Username\r\n"O'"'"'Brien, Jr.",Séan,sobrien\r\nMüller,"Anna ""Annie""",amuller\r\n' \
    >"$work/class.csv"
for i in $(seq 3 10); do printf 'Pupil,Number %d,pupil%03d\r\n' "$i" "$i" >>"$work/class.csv"; done
XDG_CONFIG_HOME="$work" ./build/src/quorlix-cli generate --defaults --quiet --roster "$work/class.csv" -l 12 \
    --pool unambiguous -o "$work/slips.pdf" --qr --slips-per-page 10 --heading "Your school account" \
    --note "Change it at first log-in"
pdftoppm -r 80 -png -f 1 -l 1 -singlefile "$work/slips.pdf" "$out/slip-page"
echo "$out/slip-page.png"
exit "$faults"
