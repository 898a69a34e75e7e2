#!/usr/bin/env bash
# The bash completion of quorlix-cli offers the commands, every option each
# command's help shows, the values of the options that have a fixed set, the
# dictionaries found, and files by their endings.
#   completion_test.sh PATH/TO/quorlix-cli COMPLETION_FILE
set -uo pipefail
cli="$(realpath "$1")"
export PATH="$(dirname "$cli"):$PATH"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
source "$2"
failed=0

complete_line() { # the words of the line, the last being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _quorlix_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() { # what, expected, got
    if [ "$2" != "$3" ]; then
        echo "completion: $1: expected [$2], got [$3]"
        failed=1
    fi
}
options_of() { "$cli" $1 --help | grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u; }

expect "commands" "$(printf '%s\n' generate words pronounceable dict sort convert compact repair --help --version | sort)" \
    "$(complete_line quorlix-cli '')"
for command in generate words pronounceable; do
    expect "$command options" "$(options_of "$command")" "$(complete_line quorlix-cli "$command" -- | sort -u)"
done
expect "pool values" "unambiguous" "$(complete_line quorlix-cli generate --pool un)"
expect "capital values" "$(printf '%s\n' first none random)" "$(complete_line quorlix-cli pronounceable --capital '' | sort)"
expect "case values" "capitalised" "$(complete_line quorlix-cli words --case cap)"
expect "type values" "$(printf '%s\n' bitwarden-csv chpasswd csv htm manager-csv mdb pdf txt)" \
    "$(complete_line quorlix-cli words --type '')"
expect "hash values" "yescrypt" "$(complete_line quorlix-cli generate --hash y)"
expect "dictionary names" "wordlist_french.dct" "$(complete_line quorlix-cli words --dictionary wordlist_fr)"
expect "dict download names" "wordlist_english_eff.dct" "$(complete_line quorlix-cli dict download wordlist_english_e)"
expect "dict download options" "$(printf '%s\n' --from --help --list)" "$(complete_line quorlix-cli dict download --)"
cd "$work"
touch a.txt b.mdb c.doc
mkdir sub
expect "output files" "$(printf '%s\n' a.txt b.mdb sub/)" "$(complete_line quorlix-cli generate -o '')"
expect "database files" "$(printf '%s\n' b.mdb sub/)" "$(complete_line quorlix-cli repair '')"
exit $failed
