#!/bin/sh
# A program compiled as C++14 that includes an umbrella header must be told
# first, in one line, that the headers need C++17; the same program compiled
# as C++17 must compile cleanly. MSVC reports its standard in _MSVC_LANG
# (its __cplusplus stays 199711L by default), so _MSVC_LANG must win over
# __cplusplus in both directions.
# Usage: check_cxx17_message.sh CXX INCLUDE_DIR...
set -u
cxx="$1"
shift
includes=""
for dir in "$@"; do includes="$includes -I$dir"; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# compile FLAGS... : compiles work/tu.cpp, output in work/out, status in $status.
compile() {
  # shellcheck disable=SC2086
  "$cxx" -fsyntax-only "$@" $includes "$work/tu.cpp" >"$work/out" 2>&1
  status=$?
}

message() {
  echo "$1 needs C++17 or later: compile with -std=c++17 (MSVC: /std:c++17)"
}

# expect_first_error LIBRARY FLAGS...: compiling fails and the first error is
# the library's own message.
expect_first_error() {
  lib="$1"
  shift
  compile "$@"
  first=$(grep -m1 'error' "$work/out")
  if [ "$status" -eq 0 ]; then
    fail "$(head -c 80 "$work/tu.cpp") compiled with $* (expected the C++17 message)"
  elif ! printf '%s\n' "$first" | grep -qF "$(message "$lib")"; then
    fail "$(head -c 80 "$work/tu.cpp") with $*: first error is '$first', expected '$(message "$lib")'"
  fi
}

expect_clean() {
  compile "$@"
  if [ "$status" -ne 0 ] || [ -s "$work/out" ]; then
    fail "$(head -c 80 "$work/tu.cpp") with $* did not compile cleanly:"
    cat "$work/out"
  fi
}

for pair in ornatex/ornatex.h:ornatex corvane/corvane.h:corvane tovik/tovik.h:tovik \
            corvane/kwAligned.h:corvane; do
  header=${pair%%:*}
  lib=${pair#*:}
  printf '#include <%s>\nint main() { return 0; }\n' "$header" >"$work/tu.cpp"
  expect_first_error "$lib" -std=c++14
  expect_clean -std=c++17
done

# MSVC's macro decides where it is defined.
printf '#include <ornatex/ornatexExport.h>\nint main() { return 0; }\n' >"$work/tu.cpp"
expect_first_error ornatex -std=c++17 -D_MSVC_LANG=201402L
expect_clean -std=c++14 -D_MSVC_LANG=201703L

[ "$failures" -eq 0 ] && echo "every umbrella header asks for C++17 plainly"
[ "$failures" -eq 0 ]
