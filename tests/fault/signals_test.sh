#!/usr/bin/env bash
# Signals at any moment of a run.
# - sort - and convert - with 33 MB of passwords on standard input, ended by
#   TERM, INT, HUP or KILL: nothing may stay in $TMPDIR, since standard input
#   is kept in a file without a name.
# - Ctrl-C once the save of -o FILE began (its temporary file is there): exit
#   130, standard error says that nothing was saved and what became of FILE,
#   the old FILE is there byte for byte (or none, if there was none), and no
#   temporary file is left. A sorted list and a database are saved after the
#   run; an unsorted text list is written while it is made, so there Ctrl-C
#   stops the run and FILE gets the passwords made.
#   signals_test.sh QUORLIX_CLI [KILLS_PER_SIGNAL]
set -uo pipefail
cli="$(realpath "$1")"
kills="${2:-2}"
work="$(mktemp -d)"
child=""
cleanup() {
    [ -n "$child" ] && kill -KILL "$child" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$TMPDIR" "$work/lists"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

"$cli" generate --defaults --no-dups --no-sort -n 1000000 -l 32 >"$work/big.txt" 2>/dev/null ||
    {
        echo "could not make the input"
        exit 1
    }

for command in "sort -" "convert - $work/lists/out.csv"; do
    start=$(now_ms)
    $cli $command <"$work/big.txt" >/dev/null 2>&1 || fail "$command: a complete run failed"
    total=$(($(now_ms) - start))
    [ -z "$(ls -A "$TMPDIR")" ] || fail "$command: a complete run left $(ls -A "$TMPDIR")"
    leftovers=0
    for signal in TERM INT HUP KILL; do
        for k in $(seq 1 "$kills"); do
            $cli $command <"$work/big.txt" >/dev/null 2>&1 &
            child=$!
            at=$((SRANDOM % (total + 1)))
            sleep_ms "$at"
            kill -"$signal" "$child" 2>/dev/null
            wait "$child" 2>/dev/null
            child=""
            left="$(ls -A "$TMPDIR")"
            [ -z "$left" ] || {
                fail "$command: $signal after $at ms left $left in \$TMPDIR"
                leftovers=$((leftovers + 1))
            }
            rm -rf "${TMPDIR:?}"/* "$TMPDIR"/.[!.]* 2>/dev/null
        done
    done
    echo "${command%% *} -: $kills kills each of TERM, INT, HUP, KILL within ${total} ms: $leftovers left a file" \
        "in \$TMPDIR"
done

# Ctrl-C while saving, over a file that was there and where there was none.
dir="$work/lists"
for type in txt mdb txt-while-made; do
    for existed in yes no; do
        rm -rf "${dir:?}"/* "$dir"/.[!.]*
        ending="${type%%-*}"
        target="$dir/list.$ending"
        sort=--sort
        [ "$type" = txt ] || sort=--no-sort
        [ $existed = yes ] && "$cli" generate --defaults -n 3 -l 8 -o "$target" >/dev/null 2>&1
        [ $existed = yes ] && cp "$target" "$work/old"
        "$cli" generate --defaults --no-dups $sort -n 1500000 -l 40 -o "$target" >/dev/null 2>"$work/err" &
        child=$!
        seen=0
        while kill -0 "$child" 2>/dev/null; do
            if compgen -G "$dir/.quorlix-tmp-*" >/dev/null; then
                seen=1
                kill -INT "$child"
                break
            fi
            sleep 0.002
        done
        wait "$child"
        rc=$?
        child=""
        [ $seen = 1 ] || fail "$type: the save ended before its temporary file was seen"
        [ $rc = 130 ] || fail "$type: exit $rc, not 130"
        if [ "$type" = txt-while-made ]; then
            made="$(sed -n 's/^quorlix-cli: Stopped: \([0-9]*\) passwords kept in .*/\1/p' "$work/err")"
            expected="quorlix-cli: Stopped: $made passwords kept in $target."
            [ -n "$made" ] && [ "$(wc -l <"$target")" = "$made" ] || fail "$type: $target does not hold the $made made"
        elif [ $existed = yes ]; then
            expected="Stopped while saving: nothing was saved; $target is as it was."
            cmp -s "$work/old" "$target" || fail "$type: $target changed"
        else
            expected="Stopped while saving: nothing was saved; $target was not created."
            [ ! -e "$target" ] || fail "$type: $target was made"
        fi
        [ "$(cat "$work/err")" = "$expected" ] || fail "$type: said \"$(cat "$work/err")\", not \"$expected\""
        left="$(cd "$dir" && ls -A | grep -vx "list.$ending")"
        [ -z "$left" ] || fail "$type: left $left"
        echo "$type, file there before: $existed: exit $rc: $(cat "$work/err")"
    done
done
exit $failed
