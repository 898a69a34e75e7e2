#!/usr/bin/env bash
# A list of a million passwords of each type (TXT, CSV, HTM, MDB) is written
# over an existing one, and the writer is killed (SIGKILL, which nothing can
# catch) at random moments: at any time of the run, or while the file is being
# written. After each kill the list must be the old file byte for byte or the
# complete new one; what a killed writer leaves is a recognisable temporary
# file, and the next write into the folder removes it. Every write must go
# through a temporary file: the kernel's notice that one was made beside the
# list is required.
#   killed_write_test.sh QUORLIX_CLI [KILLS_PER_TYPE]
set -uo pipefail
cli="$(realpath "$1")"
kills="${2:-6}"
rows=1000000
work="$(mktemp -d)"
child=""
watcher=""
cleanup() {
    [ -n "$child" ] && kill -KILL "$child" 2>/dev/null
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
dir="$work/lists"
mkdir -p "$dir"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# The other files of the folder: what killed writers left.
leftovers() { (cd "$dir" && find . -mindepth 1 -maxdepth 1 ! -name "$1" -printf '%P\n' | sort); }

# The kernel's notice of every file made in the folder, from before a run
# starts: a temporary file is seen however briefly it lives.
watch() {
    inotifywait -m -e create --format '%f' "$dir" >"$work/made" 2>"$work/watch.log" &
    watcher=$!
    until grep -q "Watches established" "$work/watch.log"; do
        kill -0 "$watcher" 2>/dev/null || { echo "FAIL: inotifywait did not start: $(cat "$work/watch.log")"; exit 1; }
        sleep 0.01
    done
}
unwatch() {
    kill "$watcher" 2>/dev/null
    wait "$watcher" 2>/dev/null
    watcher=""
}
temporary_made() { grep -q '^\.quorlix-tmp-' "$work/made"; }

# The default pool has no character that CSV or HTML would escape, so every
# complete list of one type has the same size; a database is counted.
complete_new() { # type, file, size of a complete list
    if [ "$1" = mdb ]; then
        [ "$(mdb-count "$2" "Password Database" 2>/dev/null)" = $rows ]
    else
        [ "$(stat -c %s "$2")" = "$3" ] && case "$1" in
        txt) [ "$(tail -c 10 "$2" | head -c 8 | tr -cd 'A-Za-z0-9' | wc -c)" = 8 ] ;;
        csv) tail -n 1 "$2" | grep -q '@' ;;
        htm) [ "$(tail -n 1 "$2")" = $'</HTML>\r' ] ;;
        esac
    fi
}

for type in txt csv htm mdb; do
    target="list.$type"
    rm -rf "${dir:?}"/* "$dir"/.[!.]*
    write=("$cli" generate --defaults --no-dups -n $rows -l 8 -o "$dir/$target")
    # The old list, and a complete run: how long it takes, how long the file
    # is being written (while a temporary file is there), its size.
    "$cli" generate --defaults -n 5 -l 8 -o "$dir/$target" >/dev/null 2>&1 || fail "$type: the old list"
    cp "$dir/$target" "$work/old"
    watch
    start=$(now_ms)
    "${write[@]}" >/dev/null 2>&1 &
    child=$!
    # When the temporary file is there, to time the writing (a loaded
    # machine may look too late: then the writing counts as instant).
    seen="" gone=""
    while kill -0 "$child" 2>/dev/null; do
        if [ -z "$seen" ]; then
            [ -n "$(leftovers "$target")" ] && seen=$(now_ms)
        elif [ -z "$gone" ] && [ -z "$(leftovers "$target")" ]; then
            gone=$(now_ms)
        fi
        sleep 0.002
    done
    wait "$child" || fail "$type: a complete run failed"
    child=""
    end=$(now_ms)
    unwatch
    # A list written in place, with no temporary file, would pass the checks below.
    temporary_made || fail "$type: no temporary file was made while the list was written"
    total=$((end - start))
    writing=$((${gone:-$end} - ${seen:-$end}))
    size=$(stat -c %s "$dir/$target")
    complete_new "$type" "$dir/$target" "$size" || fail "$type: a complete run wrote no complete list"
    [ -z "$(leftovers "$target")" ] || fail "$type: a complete run left $(leftovers "$target")"

    old=0 new=0 temps=0
    for k in $(seq 1 "$kills"); do
        cp "$work/old" "$dir/$target"
        before="$(leftovers "$target")"
        watch
        "${write[@]}" >/dev/null 2>&1 &
        child=$!
        if [ $((k % 2)) = 1 ]; then
            at=$((SRANDOM % (total + 1))) # any moment of the run
            sleep_ms "$at"
            at="$at ms after the start"
        else
            # While the file is being written: from when its temporary file is made.
            while kill -0 "$child" 2>/dev/null && ! temporary_made; do sleep 0.002; done
            temporary_made || fail "$type: kill $k: the run ended and no temporary file was made"
            at=$((SRANDOM % (writing + 1)))
            sleep_ms "$at"
            at="$at ms after the temporary file appeared"
        fi
        kill -KILL "$child" 2>/dev/null
        wait "$child" 2>/dev/null
        child=""
        unwatch
        if cmp -s "$work/old" "$dir/$target"; then
            old=$((old + 1))
        elif complete_new "$type" "$dir/$target" "$size"; then
            new=$((new + 1))
        else
            fail "$type: kill $k ($at) left $target neither old nor complete ($(stat -c %s "$dir/$target") bytes)"
        fi
        left="$(leftovers "$target")"
        [ -n "$left" ] && [ "$left" != "$before" ] && temps=$((temps + 1))
        for f in $left; do
            case "$f" in
            .quorlix-tmp-*) ;;
            *) fail "$type: an unrecognisable file was left: $f" ;;
            esac
        done
    done
    # The next write into the folder clears what killed writers left.
    "$cli" generate --defaults -n 5 -l 8 -o "$dir/other.$type" >/dev/null 2>&1 || fail "$type: the next write"
    after="$(leftovers "$target" | grep -vx "other.$type")"
    [ -z "$after" ] || fail "$type: the next write left $(echo $after) in the folder"
    echo "$type: $kills kills: $old old, $new complete new; after $temps a temporary file was there," \
        "removed by the next write: $([ -z "$after" ] && echo yes || echo no)" \
        "(complete run ${total} ms, writing ${writing} ms)"
done
exit $failed
