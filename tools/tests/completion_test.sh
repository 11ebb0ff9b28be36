#!/usr/bin/env bash
# The bash completion offers the commands, each command's options and the
# mesh shapes, and completes file names with spaces and specials whole.
# Usage: completion_test.sh COMPLETION_FILE [BASH_COMPLETION_MAIN]
set -euo pipefail
main="${2:-/usr/share/bash-completion/bash_completion}"
[ -r "$main" ] || { echo "completion: $main not found (install bash-completion)" >&2; exit 1; }
# The package's main file reads unset variables; it is not ours to change.
set +u
source "$main"
source "$1"
set -u

# Completes the words as typed (the last one may be partial and may hold
# the user's quoting); prints one candidate a line.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    set +u
    _ornatex
    set -u
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}"
}
fail=0
expect() {
    local got="$1" want="$2"
    [ "$got" = "$want" ] || { printf "completion: got '%s', want '%s'\n" "$got" "$want" >&2; fail=1; }
}
words() { complete_words "$@" | tr '\n' ' ' | sed 's/ $//'; }

expect "$(words ornatex c)" "check convert"
expect "$(words ornatex --v)" "--version"
expect "$(words ornatex help m)" "mesh"
expect "$(words ornatex check --j)" "--jobs --json"
expect "$(words ornatex check --n)" "--no-follow"
expect "$(words ornatex convert -f p)" "png pam"
expect "$(words ornatex convert -f t)" "tga tiff"
expect "$(words ornatex mesh cy)" "cylinder"
expect "$(words ornatex mesh cone 1 2 3 --u)" "--unit-normals"

# File names: one candidate each, however many spaces or specials.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/sub folder"
touch "$dir/texture with spaces.tga" "$dir/it's \$HOME [1].rgb" "$dir/plain.tif"
cd "$dir"
expect "$(complete_words ornatex info tex)" "texture with spaces.tga"
expect "$(complete_words ornatex info 'texture\ w')" "texture with spaces.tga"
expect "$(complete_words ornatex check "'texture w")" "texture with spaces.tga"
expect "$(complete_words ornatex convert it)" "it's \$HOME [1].rgb"
expect "$(complete_words ornatex convert 'it\'"'"'s\ \$H')" "it's \$HOME [1].rgb"
expect "$(complete_words ornatex info '"texture w')" "texture with spaces.tga"
expect "$(complete_words ornatex convert -o su)" "sub folder"
expect "$(complete_words ornatex info p)" "plain.tif"
[ $fail -eq 0 ] || exit 1
echo "completion: ok"
