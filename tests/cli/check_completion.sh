#!/bin/bash
# The bash completion of jotanor-cli: it parses, and completes commands,
# each command's options, and the memo file after --file.
set -u
script=$1
bash -n "$script" || { echo "syntax error in $script"; exit 1; }
source "$script"
cd "$(mktemp -d)" && trap 'rm -rf "$PWD"' EXIT
touch dagboek.mem agenda.ics notities.txt

failed=0
expect() {
    local want=$1; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
    _jotanor_cli
    local got; got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [[ $got != "$want" ]]; then echo "jotanor-cli ${*:2}: got '$got', want '$want'"; failed=1; fi
}
expect "add count export-ics import-ics list search sync" jotanor-cli ''
expect "dagboek.mem" jotanor-cli --file ''
expect "--all --file --from --today --weeks-back --year" jotanor-cli list --
expect "--case --file --ignore-case --today" jotanor-cli --file dagboek.mem search --
expect "--allow-empty --ca-file --file --max-time --password-file --today --user" jotanor-cli sync https://x/ --
expect "agenda.ics" jotanor-cli import-ics --from 1-6-2026 ''
expect "--version" jotanor-cli --v
exit $failed
