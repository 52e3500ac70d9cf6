# Bash completion for kovrin-cli: commands, options, --format values, feed names, folders for --feeds, and the
# currencies of offers and watch, from the names feed the window keeps.
# Installed as share/bash-completion/completions/kovrin-cli, where bash-completion loads it on first use; it
# needs nothing from bash-completion itself.
# shellcheck shell=bash

# The display names of the kept names feed that start with $1 (letter case aside), one a line, escaped for the
# command line unless $2 says the word is inside quotes. The kept file is a header line, then the feed's body.
_kovrin_cli_currencies() {
    local file=${XDG_CACHE_HOME:-$HOME/.cache}/kovrin/names.feed prefix=${1,,} quoted=$2 name
    [[ -f $file && -r $file ]] || return 0
    while IFS=';' read -r _ name _; do
        name=${name%$'\r'}
        [[ -n $name && ${name,,} == "$prefix"* ]] || continue
        if [[ -n $quoted ]]; then
            printf '%s\n' "$name"
        else
            printf '%q\n' "$name"
        fi
    done < <(tail -n +2 -- "$file") | sort -u
}

_kovrin_cli() {
    # The words up to the cursor, split at blanks only: bash's own COMP_WORDS are also split at "=" and ":",
    # which would cut "--format=csv" and "http://host" apart.
    local line=${COMP_LINE:0:COMP_POINT} words=()
    read -ra words <<<"$line"
    if [[ ${#words[@]} -eq 0 || $line =~ [[:space:]]$ ]]; then
        words+=("")
    fi
    local cur=${words[-1]} prev=''
    if [[ ${#words[@]} -gt 1 ]]; then
        prev=${words[-2]}
    fi
    if [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi

    # The command is the first word that is neither an option nor the value of --service, --cacert or --feeds.
    local command='' i=1
    while ((i < ${#words[@]} - 1)); do
        case ${words[i]} in
        --service | --cacert | --feeds) ((i += 2)) ;;
        -*) ((i += 1)) ;;
        *)
            command=${words[i]}
            break
            ;;
        esac
    done

    local offer=''
    case $prev in
    --feeds)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --cacert)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --format)
        case $command in
        offers | routes) offer="table csv json" ;;
        feed) offer="raw tsv" ;;
        watch) offer="text json" ;;
        history) offer="text csv json" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$offer" -- "$cur")
        return
        ;;
    --legs)
        mapfile -t COMPREPLY < <(compgen -W "2 3" -- "$cur")
        return
        ;;
    --service | --give-amount | --get-amount | --top | --get | --post | --cookie | --header | --user-agent | --timeout | \
        --interval | --count | --above | --below)
        COMPREPLY=()
        return
        ;;
    --since)
        mapfile -t COMPREPLY < <(compgen -W "24h 7d 30d 1y" -- "$cur")
        return
        ;;
    esac

    # GIVE and GET: the first two words after offers or watch that are neither options nor their values. A
    # name with blanks spans several of our words: inside quotes, or with each blank escaped.
    if [[ $command == offers || $command == watch ]]; then
        local word kind='' text='' skip='' open='' given=0
        for word in "${words[@]:i+1}"; do
            if [[ -n $open ]]; then
                text+=" $word"
                if [[ $open == "\\" ]]; then
                    [[ $word == *"\\" ]] || open=''
                elif [[ $word == *"$open" ]]; then
                    open=''
                fi
                continue
            fi
            text=$word
            if [[ -n $skip ]]; then
                kind=value
                skip=''
            elif [[ $word == -*=* || $word == --help ]]; then
                kind=option
            elif [[ $word == -* ]]; then
                kind=option
                skip=1
            else
                kind=currency
                ((given += 1))
            fi
            if [[ $word == [\"\']* ]]; then
                open=${word:0:1}
                [[ ${#word} -gt 1 && $word == *"$open" ]] && open=''
            elif [[ $word == *"\\" ]]; then
                open="\\"
            fi
        done
        if [[ $kind == currency ]] && ((given <= 2)); then
            local quoted=''
            if [[ $text == [\"\']* ]]; then
                quoted=1
                text=${text:1}
            else
                text=${text//'\ '/ }
            fi
            mapfile -t COMPREPLY < <(_kovrin_cli_currencies "$text" "$quoted")
            return
        fi
    fi

    case $command in
    "") offer="offers feed request guid watch routes history --service --cacert --feeds --help --version" ;;
    offers) offer="--give-amount --get-amount --format --service --cacert --feeds --help" ;;
    routes) offer="--give-amount --get-amount --top --legs --format --service --cacert --feeds --help" ;;
    watch) offer="--interval --count --above --below --format --no-record --service --cacert --feeds --help" ;;
    history) offer="--since --format --service --help" ;;
    feed)
        offer="--format --service --cacert --feeds --help"
        local word named=''
        for word in "${words[@]:i+1:${#words[@]}-i-2}"; do
            case $word in news | rates | names | exchangers) named=1 ;; esac
        done
        if [[ -z $named ]]; then
            offer+=" news rates names exchangers"
        fi
        ;;
    request) offer="--get --post --cookie --header --user-agent --timeout --cacert --include --json --help" ;;
    guid) offer="--help" ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$offer" -- "$cur")
}

complete -F _kovrin_cli kovrin-cli
