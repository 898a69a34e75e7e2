#!/usr/bin/env bash
# Passwords stay inside the process: quorlix-cli, run as an unprivileged user,
# keeps /proc/PID/environ and /proc/PID/mem closed to that same user while it
# runs, and a SIGSEGV sent to it leaves no core file (ulimit -c unlimited).
# Each check is first made on an ordinary process of the user, to show it
# would catch the fault.
#   memory_protection_test.sh PATH/TO/quorlix-cli
set -euo pipefail
cli="$(realpath "$1")"
if [ "$(id -u)" -ne 0 ]; then
  echo "memory protection: needs root to run the program as another user; skipped"
  exit 77
fi
user=quorlix-memtest
id "$user" >/dev/null 2>&1 || useradd --no-create-home --shell /usr/sbin/nologin "$user"
work="$(mktemp -d)"
chmod 777 "$work"
trap 'pkill -KILL -u "$user" 2>/dev/null || true; rm -rf "$work"' EXIT
# The build tree may lie in a folder only root can enter (a clone in /root):
# the user runs a copy.
cp "$cli" "$work/quorlix-cli"
chmod 755 "$work/quorlix-cli"
cli="$work/quorlix-cli"
fail() { echo "memory protection: FAILED: $*"; exit 1; }

# Starts a command as the user, in $work, with cores allowed; prints its pid.
start() {
  local name="$1"; shift
  runuser -u "$user" -- bash -c "ulimit -c unlimited; cd '$work'; exec env HOME='$work' XDG_CONFIG_HOME='$work/config' $*" \
    >"$work/$name.out" 2>&1 &
  for _ in $(seq 1 100); do
    pid="$(pgrep -u "$user" -n -x "$name" || true)"
    [ -n "$pid" ] && { echo "$pid"; return 0; }
    sleep 0.05
  done
  return 1
}
readable() { runuser -u "$user" -- head -c 16 "$1" >/dev/null 2>&1; }

plain="$(start sleep sleep 60)" || fail "could not start a plain process"
readable "/proc/$plain/environ" || fail "the user cannot read its own plain process: the check means nothing"

# A long run: ten million passwords of 60 characters.
run="$(start quorlix-cli "'$cli' generate --count 10000000 --min 60 --max 60 --pool all --no-dups --no-sort -o '$work/list.txt'")" \
  || fail "quorlix-cli did not start"
# A process that made itself undumpable has its /proc files owned by root: wait
# for that moment (a slow start, under a sanitizer, takes a while), then check.
for _ in $(seq 1 200); do
  [ "$(stat -c %U "/proc/$run/environ" 2>/dev/null)" = root ] && break
  sleep 0.05
done
readable "/proc/$run/environ" && fail "the same user read /proc/$run/environ"
readable "/proc/$run/mem" && fail "the same user read /proc/$run/mem"
echo "memory protection: /proc/$run/environ and /proc/$run/mem are closed to $user"

pattern="$(cat /proc/sys/kernel/core_pattern)"
kill -SEGV "$plain"; sleep 0.5
if compgen -G "$work/core*" >/dev/null; then
  rm -f "$work"/core*
  kill -SEGV "$run"
  for _ in $(seq 1 50); do kill -0 "$run" 2>/dev/null || break; sleep 0.1; done
  sleep 0.5
  compgen -G "$work/core*" >/dev/null && fail "a core file was written: $(ls "$work"/core*)"
  echo "memory protection: SIGSEGV left no core file (a plain process left one)"
else
  kill -KILL "$run" 2>/dev/null || true
  echo "memory protection: core files go to '$pattern' here, not to the folder; the core check is skipped"
fi
