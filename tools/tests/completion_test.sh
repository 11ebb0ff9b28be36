#!/usr/bin/env bash
# The bash completion offers the commands, each command's options and the
# mesh shapes.
set -euo pipefail
source "$1"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _ornatex
    echo "${COMPREPLY[*]}"
}
expect() {
    local got="$1" want="$2"
    [ "$got" = "$want" ] || { echo "completion: got '$got', want '$want'" >&2; exit 1; }
}
expect "$(complete_words ornatex c)" "check convert"
expect "$(complete_words ornatex --v)" "--version"
expect "$(complete_words ornatex help m)" "mesh"
expect "$(complete_words ornatex check --j)" "--jobs --json"
expect "$(complete_words ornatex convert -f p)" "png pam"
expect "$(complete_words ornatex mesh cy)" "cylinder"
expect "$(complete_words ornatex mesh cone 1 2 3 --u)" "--unit-normals"
echo "completion: ok"
