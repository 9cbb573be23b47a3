# Bash completion for jotanor-cli: its commands, each command's options, and
# file names where an option or command takes a file.

_jotanor_cli() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion -n = || return
    else
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi

    local commands="list search add count export-ics import-ics sync"
    local global="--file --today --help --version"

    # The value of an option that takes one.
    case $prev in
        --file)
            COMPREPLY=($(compgen -f -X '!*.mem' -- "$cur") $(compgen -d -- "$cur"))
            return ;;
        --password-file|--ca-file)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --today|--from|--to|--weeks-back|--year|--user)
            return ;;
    esac

    # The command: the first word that is neither an option nor its value.
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --file|--today|--from|--to|--weeks-back|--year|--user|--password-file|--ca-file|--max-time) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    local options
    case $command in
        "") options=$global ;;
        list) options="--weeks-back --from --year --all" ;;
        search) options="--case --ignore-case" ;;
        export-ics) options="--from --to" ;;
        import-ics) options="--from --to" ;;
        sync) options="--user --password-file --ca-file --max-time --allow-empty" ;;
        *) options="" ;;
    esac

    if [[ $cur == -* ]]; then
        [[ -n $command ]] && options="$options --file --today"
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    elif [[ $command == import-ics ]]; then
        COMPREPLY=($(compgen -f -X '!*.ics' -- "$cur") $(compgen -d -- "$cur"))
    fi
}

complete -F _jotanor_cli jotanor-cli
