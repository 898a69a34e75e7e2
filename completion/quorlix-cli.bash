# bash completion for quorlix-cli                          -*- shell-script -*-

_quorlix_cli_dictionaries()
{
    quorlix-cli dict list 2>/dev/null | cut -f1
}

# Files with one of the given endings, and folders to go into.
_quorlix_cli_files()
{
    local cur="$1" f ending
    shift
    COMPREPLY=()
    while IFS= read -r f; do
        if [[ -d $f ]]; then
            COMPREPLY+=("$f/")
            continue
        fi
        for ending in "$@"; do
            [[ $f == *.$ending ]] && COMPREPLY+=("$f") && break
        done
    done < <(compgen -f -- "$cur")
    compopt -o nospace 2>/dev/null
}

_quorlix_cli()
{
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur="${COMP_WORDS[COMP_CWORD]}"
        prev="${COMP_WORDS[COMP_CWORD-1]}"
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }

    local commands="generate words pronounceable dict sort convert compact repair"
    local common="--help --settings --defaults --quiet --output --files --preface --dir --type --save-settings --count
        --format --roster --last-column --first-column --user-column --user-prefix --hash --names --slips-per-page
        --qr --heading --note --paper"
    local generate="$common --length --min --max --dups --no-dups --side --no-side --seq --no-seq --strong
        --no-strong --sort --no-sort --hyphens --blanks --rule --pool --include --exclude --dict --dictionary --stats"
    local wordsopts="$common --words --separator --digits --no-digits --min-word --max-word --upper --no-upper
        --dups --no-dups --sort --no-sort --dictionary --case --stats"
    local pronopts="$common --length --min --max --capital --digits --symbol --no-symbol --separator --dups
        --no-dups --sort --no-sort --dict --dictionary --stats"

    # The command, and for dict its own command.
    local command="" sub="" i
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
        -*) ;;
        *)
            if [[ -z $command ]]; then
                command="${words[i]}"
            elif [[ $command == dict && -z $sub ]]; then
                sub="${words[i]}"
            fi
            ;;
        esac
    done

    # Values of the options that take one.
    case "$prev" in
    -o | --output)
        _quorlix_cli_files "$cur" txt csv htm mdb pdf chpasswd
        return
        ;;
    --roster)
        _quorlix_cli_files "$cur" csv txt
        return
        ;;
    --settings | --save-settings)
        _quorlix_cli_files "$cur" set
        return
        ;;
    --dir)
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    --type | --format)
        COMPREPLY=($(compgen -W "txt csv htm mdb pdf chpasswd manager-csv bitwarden-csv" -- "$cur"))
        return
        ;;
    --hash)
        COMPREPLY=($(compgen -W "yescrypt sha512crypt bcrypt" -- "$cur"))
        return
        ;;
    --slips-per-page)
        COMPREPLY=($(compgen -W "1 4 8 10" -- "$cur"))
        return
        ;;
    --paper)
        COMPREPLY=($(compgen -W "a4 letter" -- "$cur"))
        return
        ;;
    --pool)
        COMPREPLY=($(compgen -W "default62 default88 all unambiguous number lower upper special" -- "$cur"))
        return
        ;;
    --dict)
        COMPREPLY=($(compgen -W "whole hybrid off" -- "$cur"))
        return
        ;;
    --case)
        COMPREPLY=($(compgen -W "lower upper capitalised alternating random" -- "$cur"))
        return
        ;;
    --capital)
        COMPREPLY=($(compgen -W "none first random" -- "$cur"))
        return
        ;;
    --separator)
        [[ $command == pronounceable ]] && COMPREPLY=($(compgen -W "none hyphen blank dot" -- "$cur"))
        return
        ;;
    --dictionary)
        COMPREPLY=($(compgen -W "$(_quorlix_cli_dictionaries)" -- "$cur"))
        return
        ;;
    --rule)
        COMPREPLY=($(compgen -W "1=any 1=number 1=lower 1=upper 1=special" -- "$cur"))
        return
        ;;
    -n | --count | -l | --length | --min | --max | --files | --preface | --hyphens | --blanks | --include | \
        --exclude | --words | --digits | --min-word | --max-word | --last-column | --first-column | \
        --user-column | --user-prefix | --heading | --note)
        return
        ;;
    esac

    case "$command" in
    "")
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        ;;
    generate)
        COMPREPLY=($(compgen -W "$generate" -- "$cur"))
        ;;
    words)
        COMPREPLY=($(compgen -W "$wordsopts" -- "$cur"))
        ;;
    pronounceable)
        COMPREPLY=($(compgen -W "$pronopts" -- "$cur"))
        ;;
    dict)
        case "$sub" in
        "") COMPREPLY=($(compgen -W "list search download build --help" -- "$cur")) ;;
        search) COMPREPLY=($(compgen -W "--hybrid --dictionary --help" -- "$cur")) ;;
        download)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--list --from --help" -- "$cur"))
            else
                # The names this system's word lists give, as dict download --list shows them.
                COMPREPLY=($(compgen -W "$(quorlix-cli dict download --list 2>/dev/null | cut -f1 |
                    grep '\.dct$')" -- "$cur"))
            fi
            ;;
        build) COMPREPLY=($(compgen -f -- "$cur")) ;;
        esac
        ;;
    sort)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--case-sensitive --help" -- "$cur"))
        else
            _quorlix_cli_files "$cur" txt
        fi
        ;;
    convert)
        _quorlix_cli_files "$cur" txt csv htm html mdb
        ;;
    compact | repair)
        _quorlix_cli_files "$cur" mdb
        ;;
    esac
} &&
    complete -F _quorlix_cli quorlix-cli

# ex: filetype=sh
