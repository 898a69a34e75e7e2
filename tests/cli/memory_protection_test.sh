#!/usr/bin/env bash
# Passwords stay inside the process: quorlix-cli, run as an unprivileged user,
# keeps /proc/PID/environ and /proc/PID/mem closed to that same user while it
# runs, and a SIGSEGV sent to it leaves no core file (ulimit -c unlimited).
# Each check is first made on an ordinary process of the user, to show it
# would catch the fault.
#
# The user is a user id no account holds, taken for this run only: nothing is
# added to the machine. It runs a copy of the program in the test's own folder,
# since the build may sit where only its owner can enter (a clone in /root).
#   memory_protection_test.sh PATH/TO/quorlix-cli
set -euo pipefail
cli="$(realpath "$1")"
say() { echo "memory protection: $*"; }
if [ "$(id -u)" -ne 0 ]; then
  say "needs root to run the program as another user; skipped"
  exit 77
fi

# A user id with no account and no process.
uid=""
for _ in $(seq 1 20); do
  candidate=$((3000000000 + SRANDOM % 1000000))
  if ! getent passwd "$candidate" >/dev/null && ! pgrep -u "$candidate" >/dev/null; then
    uid=$candidate
    break
  fi
done
[ -n "$uid" ] || { say "FAILED: no free user id found"; exit 1; }
as_user=(setpriv --reuid="$uid" --regid="$uid" --clear-groups)

work="$(mktemp -d)"
started=()
cleanup() {
  for pid in "${started[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { say "FAILED: $*"; exit 1; }
install -m 755 "$cli" "$work/quorlix-cli"
chown "$uid:$uid" "$work"
if ! "${as_user[@]}" test -x "$work/quorlix-cli"; then
  say "another user cannot reach $work (a folder above it is closed to others; set TMPDIR to an open one); skipped"
  exit 77
fi

# Starts a command as the user, in $work, with cores allowed, and waits until
# it runs the program named; sets pid. The commands exec each other, so the
# program keeps the pid this shell started, and this shell can wait for it.
start() {
  local name="$1"; shift
  "${as_user[@]}" bash -c "ulimit -c unlimited; cd '$work'; exec env HOME='$work' XDG_CONFIG_HOME='$work/config' $*" \
    >"$work/$name.out" 2>&1 &
  pid=$!
  started+=("$pid")
  for _ in $(seq 1 400); do
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$name" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
readable() { "${as_user[@]}" head -c 16 "$1" >/dev/null 2>&1; }

start sleep sleep 600 || fail "could not start a plain process"
plain=$pid
readable "/proc/$plain/environ" || fail "the user cannot read its own plain process: the check means nothing"

# A long run: ten million passwords of 60 characters.
start quorlix-cli "'$work/quorlix-cli' generate --count 10000000 --min 60 --max 60 --pool all --no-dups --no-sort \
  -o '$work/list.txt'" || fail "quorlix-cli did not start: $(cat "$work/quorlix-cli.out")"
run=$pid
# A process that made itself undumpable has its /proc files owned by root: wait
# for that moment (a slow start, under a sanitizer, takes a while), then check.
for _ in $(seq 1 400); do
  [ "$(stat -c %u "/proc/$run/environ" 2>/dev/null)" = 0 ] && break
  sleep 0.05
done
readable "/proc/$run/environ" && fail "the same user read /proc/$run/environ"
readable "/proc/$run/mem" && fail "the same user read /proc/$run/mem"
say "/proc/$run/environ and /proc/$run/mem are closed to user $uid"

# The core file, if any, is complete when the process has ended.
pattern="$(cat /proc/sys/kernel/core_pattern)"
kill -SEGV "$plain"
wait "$plain" 2>/dev/null || true
if compgen -G "$work/core*" >/dev/null; then
  rm -f "$work"/core*
  kill -SEGV "$run"
  wait "$run" 2>/dev/null || true
  compgen -G "$work/core*" >/dev/null && fail "a core file was written: $(ls "$work"/core*)"
  say "SIGSEGV left no core file (a plain process left one)"
else
  kill -KILL "$run" 2>/dev/null || true
  wait "$run" 2>/dev/null || true
  say "core files go to '$pattern' here, not to the folder; the core check is skipped"
fi
