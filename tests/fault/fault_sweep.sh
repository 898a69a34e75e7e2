#!/usr/bin/env bash
# Runs each writer of quorlix-cli with the 1st, 2nd, 3rd ... open, write,
# fsync, rename and mmap on its folder failing (fault_inject.so), until a run
# meets no failure. After every failed call the run must end with a nonzero
# exit and a message (never a claim of success), leave every file that was
# there byte for byte as it was (the files of a series that were finished
# before the failure may be complete new ones), leave no temporary file, and
# not die of a signal. A run the failure did not stop must have written the
# complete new file. The errno rotates over ENOSPC, EIO and EACCES.
#   fault_sweep.sh QUORLIX_CLI FAULT_INJECT_SO SERVE_FILES [WRITER ...]
# Prints a row per writer and call: the calls made to fail and what followed.
# Exit 1 when any run broke a rule.
set -uo pipefail
cli="$(realpath "$1")"
shim="$(realpath "$2")"
serve="$(realpath "$3")"
shift 3
all_writers=(txt csv htm mdb settings sort convert-csv convert-htm convert-mdb compact repair
  files-characters files-words dict-build dict-download)
writers=("$@")
[ ${#writers[@]} -gt 0 ] || writers=("${all_writers[@]}")
calls=(open write fsync rename mmap)
errnos=(ENOSPC EIO EACCES)
rows=20 # passwords per list: small, the calls are the point

work="$(mktemp -d)"
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
export no_proxy=127.0.0.1,localhost NO_PROXY=127.0.0.1,localhost
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Quorlix" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
base="$work/base" # the folder as it is before each run
d="$work/d"       # the folder the run writes in: the only one faults hit
failed=0

die() {
    echo "fault_sweep: $*" >&2
    exit 1
}
q() { "$cli" "$@" >/dev/null 2>&1 || die "setup step failed: quorlix-cli $*"; }

# Files the writers start from, made once without faults.
mkdir -p "$work/fixed"
printf 'zeta\r\nAlpha\r\nmike\r\nbravo\r\n' >"$work/fixed/unsorted.txt"
printf 'Alpha\r\nbravo\r\nmike\r\nzeta\r\n' >"$work/fixed/sorted.txt"
printf 'pw1<&>\r\n"pw2"\r\n\r\npw4\r\npw5\r\n' >"$work/fixed/source.txt"
printf 'anchor\nhouse\nboat\ngarden\nwindow\n' >"$work/fixed/old-words.txt"
printf 'anchor\napple\nhouse\nboat\ngarden\nwindow\nquixotic\n' >"$work/fixed/new-words.txt"
printf 'old list\r\n' >"$work/fixed/old.txt"
q dict build "$work/fixed/new-words.txt" "$work/fixed/words.dct"
q dict build "$work/fixed/old-words.txt" "$work/fixed/old.dct"
q generate --defaults -n 3 -l 8 -o "$work/fixed/old.mdb"
q generate --defaults -n 7 -l 8 -o "$work/fixed/seven.mdb"
q convert "$work/fixed/source.txt" "$work/fixed/expected.csv"
q convert "$work/fixed/source.txt" "$work/fixed/expected.htm"
q generate --defaults -n 1 --save-settings "$work/fixed/expected.set"
mdb-export "$work/fixed/seven.mdb" "Password Database" >"$work/fixed/seven.export" || die "mdb-export failed"

lines_of() { tr -cd '\n' <"$1" | wc -c; }
valid_txt() { # file, rows: that many lines of 8 characters, CR LF
    [ "$(lines_of "$1")" -eq "$2" ] && ! grep -qvE '^.{8}'$'\r''$' "$1"
}
valid_csv() {
    [ "$(lines_of "$1")" -eq $(($2 + 8)) ] && [ "$(head -n 1 "$1")" = $'"Quorlix"\r' ] &&
        tail -n 1 "$1" | grep -q '@'
}
valid_htm() {
    [ "$(grep -c '</TD><TR>'$'\r''$' "$1")" -eq "$2" ] && [ "$(tail -n 1 "$1")" = $'</HTML>\r' ]
}
valid_mdb() { [ "$(mdb-count "$1" "Password Database" 2>/dev/null)" = "$2" ]; }
same_records() { cmp -s <(mdb-export "$1" "Password Database" 2>/dev/null) "$2"; }
finds_new_word() { "$cli" dict search quixotic --dictionary "$1" >/dev/null 2>&1; }

# Per writer: the folder before (base), the command, the files it writes
# (targets), whether it writes a series, and how a complete new target looks.
setup() {
    rm -rf "$base"
    mkdir -p "$base"
    series=0
    case "$1" in
    txt | csv | htm)
        printf 'old list\r\n' >"$base/list.$1"
        targets=("list.$1")
        cmd=(generate --defaults -n $rows -l 8 -o "$d/list.$1")
        ;;
    chpasswd)
        printf 'old:list\n' >"$base/list.chpasswd"
        targets=(list.chpasswd)
        cmd=(generate --defaults -n $rows -l 8 --user-prefix u --hash sha512crypt -o "$d/list.chpasswd")
        ;;
    mdb)
        cp "$work/fixed/old.mdb" "$base/list.mdb"
        targets=(list.mdb)
        cmd=(generate --defaults -n $rows -l 8 -o "$d/list.mdb")
        ;;
    settings)
        printf 'old settings\r\n' >"$base/my.set"
        targets=(my.set)
        cmd=(generate --defaults -n 1 --save-settings "$d/my.set")
        ;;
    sort)
        cp "$work/fixed/unsorted.txt" "$base/list.txt"
        targets=(list.txt)
        cmd=(sort "$d/list.txt")
        ;;
    convert-csv | convert-htm | convert-mdb)
        local ext="${1#convert-}"
        cp "$work/fixed/source.txt" "$base/source.txt"
        cp "$work/fixed/old.$([ "$ext" = mdb ] && echo mdb || echo txt)" "$base/out.$ext"
        targets=("out.$ext")
        cmd=(convert "$d/source.txt" "$d/out.$ext")
        ;;
    compact)
        cp "$work/fixed/seven.mdb" "$base/source.mdb"
        cp "$work/fixed/old.mdb" "$base/out.mdb"
        targets=(out.mdb)
        cmd=(compact "$d/source.mdb" "$d/out.mdb")
        ;;
    repair)
        cp "$work/fixed/seven.mdb" "$base/db.mdb"
        targets=(db.mdb)
        cmd=(repair "$d/db.mdb")
        ;;
    files-characters)
        series=1
        targets=(p1.txt p2.txt p3.txt)
        for t in "${targets[@]}"; do printf 'old list\r\n' >"$base/$t"; done
        cmd=(generate --defaults -n $rows -l 8 --sort --files 3 --preface p --dir "$d" --type txt)
        ;;
    files-words)
        series=1
        targets=(w1.mdb w2.mdb)
        for t in "${targets[@]}"; do cp "$work/fixed/old.mdb" "$base/$t"; done
        cmd=(words --defaults -n 5 --words 2 --no-dups --no-sort --dictionary "$work/fixed/words.dct" --files 2 --preface w
            --dir "$d" --type mdb)
        ;;
    dict-build)
        cp "$work/fixed/old.dct" "$base/my.dct"
        targets=(my.dct)
        cmd=(dict build "$work/fixed/new-words.txt" "$d/my.dct")
        ;;
    dict-download)
        # The user's dictionary folder is the faulted one.
        mkdir -p "$base/quorlix" "$work/www/software"
        cp "$work/fixed/old.dct" "$base/quorlix/mine.dct"
        cp "$work/fixed/words.dct" "$work/www/software/mine.dct"
        targets=(quorlix/mine.dct)
        cmd=(dict download mine.dct)
        if [ -z "$server" ]; then
            "$serve" "$work/www" 600 >"$work/port" 2>/dev/null &
            server=$!
            for _ in $(seq 1 50); do [ -s "$work/port" ] && break; sleep 0.1; done
            [ -s "$work/port" ] || die "serve_files did not start"
        fi
        printf '[Settings]\nDownloadBase=http://127.0.0.1:%s\n' "$(head -n 1 "$work/port")" \
            >"$XDG_CONFIG_HOME/Quorlix/Quorlix.ini"
        ;;
    *) die "unknown writer $1" ;;
    esac
}

complete_new() { # writer, file
    case "$1" in
    txt | files-characters) valid_txt "$2" $rows ;;
    csv) valid_csv "$2" $rows ;;
    htm) valid_htm "$2" $rows ;;
    mdb) valid_mdb "$2" $rows ;;
    chpasswd) [ "$(grep -cE '^u[0-9]{3}:\$6\$' "$2")" -eq $rows ] && [ "$(wc -l <"$2")" -eq $rows ] ;;
    settings) cmp -s "$2" "$work/fixed/expected.set" ;;
    sort) cmp -s "$2" "$work/fixed/sorted.txt" ;;
    convert-csv) cmp -s "$2" "$work/fixed/expected.csv" ;;
    convert-htm) cmp -s "$2" "$work/fixed/expected.htm" ;;
    convert-mdb) valid_mdb "$2" 4 ;;
    compact | repair) same_records "$2" "$work/fixed/seven.export" ;;
    files-words) valid_mdb "$2" 5 ;;
    dict-build | dict-download) finds_new_word "$2" ;;
    esac
}

shopt -s dotglob nullglob globstar
listing() { # every file and folder below $1, one a line (no process started: runs are many)
    local f
    for f in "$1"/**; do [ "$f" = "$1/" ] || printf '%s\n' "${f#"$1"/}"; done
}

# One run with the n-th call failing. Sets verdict: none (no call failed and
# the run wrote its files), clean, recovered, or what went wrong.
run_once() { # writer, call, n, errno
    local writer="$1" call="$2" n="$3" err="$4" rc out t state old new
    rm -rf "$d" "$work/log"
    cp -a "$base" "$d"
    [ "$writer" = dict-download ] && export XDG_DATA_HOME="$d" || export XDG_DATA_HOME="$work/data"
    out="$(cd "$work" && LD_PRELOAD="$shim" QUORLIX_FAULT_CALL="$call" QUORLIX_FAULT_AT="$n" \
        QUORLIX_FAULT_ERRNO="$err" QUORLIX_FAULT_DIR="$d" QUORLIX_FAULT_LOG="$work/log" \
        "$cli" "${cmd[@]}" 2>&1 >/dev/null </dev/null)"
    rc=$?
    injected=0
    [ -s "$work/log" ] && injected=1
    detail=""
    if [ $rc -ge 128 ]; then
        verdict="crash (exit $rc)"
        return
    fi
    if [ "$(listing "$d")" != "$base_listing" ]; then
        verdict="left $(comm -13 <(echo "$base_listing") <(listing "$d") | tr '\n' ' ')behind"
        return
    fi
    old=0
    new=0
    for t in "${targets[@]}"; do
        if cmp -s "$base/$t" "$d/$t"; then
            state=old
        elif complete_new "$writer" "$d/$t"; then
            state=new
        else
            verdict="$t is neither the old file nor a complete new one (exit $rc)"
            return
        fi
        [ $state = old ] && old=$((old + 1)) || new=$((new + 1))
        # A series stops at its failure: no file after a kept old one is new.
        if [ $series = 1 ] && [ $state = new ] && [ $old -gt 0 ]; then
            verdict="$t was written after an earlier file of the series failed"
            return
        fi
    done
    for t in $base_listing; do
        case " ${targets[*]} " in *" ${t#./} "*) continue ;; esac
        [ -d "$base/$t" ] || cmp -s "$base/$t" "$d/$t" || {
            verdict="${t#./}, not a target, changed"
            return
        }
    done
    if [ $rc -eq 0 ]; then
        if [ $old -gt 0 ] && [ "$writer" != repair ]; then
            verdict="exit 0 but ${targets[*]} not all written"
        elif [ $injected = 0 ]; then
            verdict=none
        else
            verdict=recovered
        fi
        return
    fi
    if [ $injected = 0 ]; then
        verdict="exit $rc without a failed call: ${out%%$'\n'*}"
    elif [ -z "$out" ]; then
        verdict="exit $rc without a message"
    elif [[ "$out" =~ (^|$'\n')(Saved|Created|Downloaded|Compacted|Repaired)[^$'\n']*|words\ from[^$'\n']* ]]; then
        verdict="claimed success: ${BASH_REMATCH[0]#$'\n'}"
    elif [ $series = 0 ] && [ $new -gt 0 ] && ! { [ "$writer" = settings ] && ! grep -q my.set "$work/log"; }; then
        # (A failure on a call that was not the settings file's own leaves the
        # complete new one.)
        verdict="exit $rc but the target was replaced"
    else
        verdict=clean
        detail="${out%%$'\n'*}"
    fi
}

printf '%-17s %-7s %-9s %s\n' writer call failures outcome
for writer in "${writers[@]}"; do
    setup "$writer"
    base_listing="$(listing "$base")"
    for call in "${calls[@]}"; do
        n=1
        clean=0
        recovered=0
        faults=()
        example=""
        while :; do
            err="${errnos[$(((n - 1) % 3))]}"
            run_once "$writer" "$call" "$n" "$err"
            case "$verdict" in
            none) break ;;
            clean)
                clean=$((clean + 1))
                [ -n "$example" ] || example="$detail"
                ;;
            recovered) recovered=$((recovered + 1)) ;;
            *) faults+=("#$n $err: $verdict") ;;
            esac
            # Nothing failed, yet the run broke a rule: later runs would too.
            [ $injected = 0 ] && break
            if [ $n -ge 300 ]; then
                faults+=("no end: the 300th call still failed")
                break
            fi
            n=$((n + 1))
        done
        # Every writer renames a file into place: unsynced, a crash could
        # leave an empty file under the old name.
        if [ "$call" = fsync ] && [ $n = 1 ] && [ ${#faults[@]} = 0 ]; then
            faults+=("never syncs the file before renaming it into place")
        fi
        outcome=""
        [ $clean -gt 0 ] && outcome="$clean failed cleanly"
        [ $recovered -gt 0 ] && outcome="${outcome:+$outcome, }$recovered recovered"
        [ -n "$outcome" ] || [ ${#faults[@]} -gt 0 ] || outcome="no call of this kind"
        [ -n "$example" ] && outcome="$outcome (\"${example:0:90}\")"
        printf '%-17s %-7s %-9s %s\n' "$writer" "$call" "$((n - 1))" "$outcome"
        for f in "${faults[@]}"; do
            printf '%-17s %-7s %-9s FAULT %s\n' "" "" "" "$f"
            failed=1
        done
    done
done
exit $failed
