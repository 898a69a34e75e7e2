#!/usr/bin/env bash
# The desktop program started where there is no display: one line saying so
# and what to use instead, exit status 1 (not Qt's abort).
#   no_display_test.sh QUORLIX
set -u
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 2>&1 </dev/null)
rc=$?
want='quorlix: no display (DISPLAY/WAYLAND_DISPLAY unset); use quorlix-cli'
if [ "$rc" -ne 1 ] || [ "$out" != "$want" ]; then
  echo "exit $rc, said: $out"
  echo "wanted exit 1, saying: $want"
  exit 1
fi
# --version and --help need no display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --version | grep -q '^quorlix ' || { echo "--version"; exit 1; }
echo ok
