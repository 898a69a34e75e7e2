#!/usr/bin/env bash
# The real desktop program under a real X server (Xvfb): it starts and its
# window appears in the folder it was started from, a second start ends with
# the message and no window and brings the first window to the front,
# closing the window through File > Exit saves the last settings, and a lock
# left by a crashed program does not block the next start.
#   smoke_test.sh PATH/TO/quorlix
set -euo pipefail
prog="$(realpath "$1")"
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (bash scripts/setup.sh installs it)"; exit 1; }
done

if [ "${2:-}" != --inside ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/home" "$work/config" "$work/run"
  chmod 700 "$work/run"
  # The user's own settings and lock stay out of it.
  HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" WORK="$work" \
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$prog" --inside
  exit $?
fi

log() { echo "smoke: $*"; }
fail() { echo "smoke: FAILED: $*"; cat "$WORK"/*.log 2>/dev/null || true; exit 1; }
window_of() { # pid: the id of its visible window called Quorlix, waiting up to 20 s
  local id=""
  for _ in $(seq 1 200); do
    id="$(xdotool search --all --onlyvisible --pid "$1" --name '^Quorlix$' 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# Waits up to 10 s for a command to succeed.
until_true() {
  for _ in $(seq 1 100); do "$@" && return 0; sleep 0.1; done
  return 1
}
# No window manager runs here: a click gives the window the focus.
focus() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH / 2)) $((HEIGHT - 8)) click 1
  until_true test "$(xdotool getwindowfocus 2>/dev/null)" = "$1" || fail "window $1 did not take the focus"
}
windows_of() { xdotool search --all --onlyvisible --pid "$1" 2>/dev/null | wc -l; }

# Started from a folder of the user's: the program stays in it.
cd "$HOME"
"$prog" >"$WORK/first.log" 2>&1 &
first=$!
main="$(window_of "$first")" || fail "the window did not appear"
log "window $main of process $first is shown"
[ "$(readlink "/proc/$first/cwd")" = "$PWD" ] || fail "the program changed its folder to $(readlink "/proc/$first/cwd")"

"$prog" >"$WORK/second.log" 2>&1 &
second=$!
box="$(window_of "$second")" || fail "the second start showed no message"
focus "$box"
xdotool key --clearmodifiers Return
until_true eval '! kill -0 "$second" 2>/dev/null' || fail "the second start did not end"
set +e; wait "$second"; rc=$?; set -e
[ "$rc" -ne 0 ] || fail "the second start ended with 0"
grep -qx "Quorlix already running " "$WORK/second.log" || fail "no 'already running' message"
log "the second start ended ($rc) with: $(head -n 1 "$WORK/second.log")"
# ...and brought the running program's window to the front, with the focus.
for _ in $(seq 1 50); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ] && break; sleep 0.1; done
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ] || fail "the running window did not come to the front"
log "the running window has the focus again"

focus "$main"
# The menu is a window of its own. Its key works in the window Qt holds
# active, which may lag the focus the X server reports on a busy machine: a
# key that opened nothing is sent again.
opened=0
for sent in 1 2 3 4 5; do
  xdotool key --clearmodifiers alt+f
  for _ in $(seq 1 20); do [ "$(windows_of "$first")" -ge 2 ] && { opened=$sent; break 2; }; sleep 0.1; done
done
[ "$opened" -gt 0 ] || fail "Alt+F opened no menu"
[ "$opened" = 1 ] || log "Alt+F opened the menu at send $opened of 5"
xdotool key --clearmodifiers e
until_true eval '! kill -0 "$first" 2>/dev/null' || { kill "$first"; fail "File > Exit did not close the program"; }
wait "$first" || fail "the program ended with an error"
ini="$XDG_CONFIG_HOME/Quorlix/Quorlix.ini"
grep -q '^\[LastSettings\]' "$ini" || fail "no last settings in $ini"
grep -q '^PasswordAmount=25' "$ini" || fail "the settings saved are not the window's"
log "closed; last settings saved in $ini"

# A program that crashed leaves its lock behind; the next start takes it over.
"$prog" >"$WORK/crashed.log" 2>&1 &
crashed=$!
window_of "$crashed" >/dev/null || fail "the window did not appear again"
kill -KILL "$crashed"
wait "$crashed" 2>/dev/null || true
"$prog" >"$WORK/after.log" 2>&1 &
after=$!
window_of "$after" >/dev/null || fail "a start after a crash found the old lock in its way"
kill "$after"
wait "$after" 2>/dev/null || true
log "a start after a crash shows its window"
