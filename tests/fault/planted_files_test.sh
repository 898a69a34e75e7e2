#!/usr/bin/env bash
# Files where other users can write. User A runs quorlix-cli; user B (nobody)
# planted files and links beforehand in a sticky folder open to all, as /tmp
# is. Passwords must never reach B's files, nor replace A's own through B's
# link; a file whose folder takes no new file is refused before anything is
# made, and killing the refused run at any moment leaves it as it was (it was
# once rewritten in place, and a signal left it half old, half new).
# Needs root to act as two users: skipped (77) otherwise.
#   planted_files_test.sh QUORLIX_CLI [KILLS]
set -uo pipefail
if [ "$(id -u)" -ne 0 ]; then
    echo "planted files: needs root to run as two other users; skipped"
    exit 77
fi
kills="${2:-6}"
work="$(mktemp -d)"
chmod 755 "$work"
child=""
cleanup() {
    [ -n "$child" ] && kill -KILL "$child" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# A copy the users can reach, wherever the build is.
mkdir -p "$work/bin"
cp "$1" "$work/bin/quorlix-cli"
chmod 755 "$work/bin" "$work/bin/quorlix-cli"
cli="$work/bin/quorlix-cli"
a=61001
b=65534
b_name="$(getent passwd $b | cut -d: -f1)"
b_name="${b_name:-uid $b}"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

shared="$work/shared"
mkdir -p "$shared" "$work/a" "$work/b" "$work/a/tmp"
chmod 1777 "$shared"
chown $a:$a "$work/a" "$work/a/tmp"
chown $b:$b "$work/b"

as() { # user, command...: runs in A's folder with A's own settings store
    local user="$1"
    shift
    (cd "$work/a" && setpriv --reuid="$user" --regid="$user" --clear-groups \
        env -i PATH=/usr/bin:/bin HOME="$work/a" XDG_CONFIG_HOME="$work/a/config" TMPDIR="$work/a/tmp" "$@")
}

# B's plants: a list file anyone may write, and links to B's file and to A's notes.
as $b sh -c "printf 'B list\r\n' >'$shared/list.txt' && chmod 666 '$shared/list.txt' &&
    printf 'B secret\r\n' >'$work/b/secret.txt' && chmod 666 '$work/b/secret.txt' &&
    ln -s '$work/b/secret.txt' '$shared/codes.txt' && ln -s '$work/a/notes.txt' '$shared/notes.txt'"
as $a sh -c "printf 'A notes\r\n' >'$work/a/notes.txt' && chmod 666 '$work/a/notes.txt'"
snapshot() { cat "$shared/list.txt" "$work/b/secret.txt" "$work/a/notes.txt" | md5sum; }
before="$(snapshot)"

while IFS='|' read -r name target message; do
    out="$(as $a "$cli" generate --defaults -n 3 -l 8 -o "$shared/$target" 2>&1 >/dev/null)"
    rc=$?
    [ $rc = 1 ] || fail "$name: exit $rc, not 1"
    [ "$out" = "quorlix-cli: $message" ] || fail "$name: said \"$out\", not \"quorlix-cli: $message\""
    [ "$(snapshot)" = "$before" ] || fail "$name: a planted or linked file changed"
    echo "$name: exit $rc: $out"
done <<EOF
file of another user|list.txt|$shared/list.txt belongs to another user ($b_name): passwords are never written into a file of another user.
link to a file of its owner|codes.txt|$shared/codes.txt is a link of another user ($b_name) in $shared/, a folder everyone may write to: such a link is not followed.
link to a file of the writer|notes.txt|$shared/notes.txt is a link of another user ($b_name) in $shared/, a folder everyone may write to: such a link is not followed.
EOF
# B's file reached through A's own link in A's own folder: still B's file.
as $a ln -s "$work/b/secret.txt" "$work/a/mine.txt"
out="$(as $a "$cli" sort "$work/a/mine.txt" 2>&1)"
[ $? = 1 ] && [ "$out" = "quorlix-cli: $work/a/mine.txt belongs to another user ($b_name): passwords are never written into a file of another user." ] ||
    fail "sort through A's link into B's file: \"$out\""
[ "$(snapshot)" = "$before" ] || fail "sort changed B's file"
# What the kernel would follow is followed: A's own link in the shared folder.
as $a ln -s "$work/a/notes.txt" "$shared/a-link.txt"
as $a "$cli" generate --defaults -n 3 -l 8 -o "$shared/a-link.txt" >/dev/null 2>&1 || fail "A's own link was refused"
[ "$(wc -l <"$work/a/notes.txt")" = 3 ] || fail "A's own link did not lead to A's notes"
[ -z "$(ls -A "$work/a/tmp")" ] || fail "something was left in \$TMPDIR: $(ls -A "$work/a/tmp")"

# A folder that takes no new file, with a list A may write (a million lines):
# refused at once, and a kill at any moment leaves the list as it was.
mkdir -p "$work/a/ro"
chown $a:$a "$work/a/ro"
as $a "$cli" generate --defaults -n 1000000 -l 16 --no-dups --no-sort -o "$work/a/ro/list.txt" >/dev/null 2>&1 ||
    fail "the list in the closed folder could not be made"
as $a sh -c "printf 'old\r\n' >'$work/a/ro/old.csv'"
chmod 555 "$work/a/ro"
old="$(md5sum <"$work/a/ro/list.txt")"
message="quorlix-cli: $work/a/ro/list.txt can't be replaced safely: the folder $work/a/ro/ is not writable"
for command in "generate --defaults -n 2000000 -l 16 --no-dups -o $work/a/ro/list.txt" "sort $work/a/ro/list.txt" \
    "convert $work/a/notes.txt $work/a/ro/old.csv"; do
    out="$(as $a "$cli" $command 2>&1 >/dev/null)"
    rc=$?
    [ "${command%% *}" = convert ] && message="${message/list.txt can/old.csv can}"
    [ $rc = 1 ] && [ "$out" = "$message" ] || fail "${command%% *} in a closed folder: exit $rc, \"$out\""
done
echo "closed folder: exit 1: $message"
signals=(TERM KILL INT)
for k in $(seq 1 "$kills"); do
    signal="${signals[$((k % 3))]}"
    as $a "$cli" sort "$work/a/ro/list.txt" >/dev/null 2>&1 &
    child=$!
    at=$((SRANDOM % 1000))
    sleep "0.$(printf '%03d' "$at")"
    kill -"$signal" "$child" 2>/dev/null
    wait "$child" 2>/dev/null
    child=""
    [ "$(md5sum <"$work/a/ro/list.txt")" = "$old" ] || fail "kill $k ($signal after $at ms) changed the list in the closed folder"
    [ -z "$(ls -A "$work/a/tmp")" ] || fail "kill $k ($signal after $at ms) left $(ls -A "$work/a/tmp") in \$TMPDIR"
    rm -rf "${work:?}/a/tmp/"* "$work/a/tmp/".[!.]*
done
echo "closed folder: $kills kills of sort (TERM, KILL, INT): the list stayed as it was, \$TMPDIR stayed empty"
exit $failed
