#!/usr/bin/env bash
# Builds and runs a small consumer project outside the source tree against
# an installed ornatex: through the CMake package (as a C++14 project: the
# package must raise it to the C++17 its headers need), through pkg-config
# (with LD_LIBRARY_PATH and with an rpath, as the README says), and checks
# that a C++14 compile of the headers is told plainly that they need C++17.
# A plain install (BUILD_DIR) is also checked for its layout: the engine
# libraries in their private folder only, found through RUNPATH, also after
# the install folder is moved.
# Usage: scripts/check-consumer.sh BUILD_DIR       installs BUILD_DIR into a temporary prefix first
#        scripts/check-consumer.sh --prefix DIR    uses what is installed under DIR (e.g. /usr)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-consumer: $*" >&2; exit 1; }
engine_libs="libcorvane libtovik libmoorlat libinterceptor"

if [ "${1:-}" = "--prefix" ]; then
  prefix="${2:?usage: $0 --prefix DIR}"
  plain_install=0
else
  build="$(cd "${1:?usage: $0 BUILD_DIR | --prefix DIR}" && pwd)"
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  plain_install=1
fi
cp -r "$src/scripts/consumer" "$work/consumer"
sample="$src/ornatex/imageloaders/tests/data/pillow-200x32_rgba_bl_raw.tga"

pcfile=$(find "$prefix" -path '*/pkgconfig/ornatex.pc' -print -quit 2>/dev/null || true)
[ -n "$pcfile" ] || fail "no ornatex.pc under $prefix"
pc() { PKG_CONFIG_PATH="$(dirname "$pcfile")" pkg-config "$@" ornatex; }
libdir=$(realpath "$(pc --variable=libdir)")
enginedir=$(realpath "$(pc --variable=enginedir)")
[ "$enginedir" = "$libdir/ornatex" ] || fail "engine folder is $enginedir, expected $libdir/ornatex"

# runpath FILE: the RUNPATH (or RPATH) of an ELF file, empty if none.
runpath() { readelf -d "$1" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p'; }

if [ "$plain_install" = 1 ]; then
  for lib in $engine_libs; do
    ls "$enginedir/$lib".so.0 >/dev/null 2>&1 || fail "$lib.so.0 is not in $enginedir"
    ! ls "$libdir/$lib".so* >/dev/null 2>&1 || fail "$lib lies in the library folder $libdir"
  done
  # With SDL2 windows, their module lies beside libcorvane, which loads it from there.
  if grep -q '^ORNATEX_WINDOW_SYSTEM:STRING=SDL2$' "$build/CMakeCache.txt"; then
    [ -f "$enginedir/libcorvane-sdl.so" ] || fail "libcorvane-sdl.so is not in $enginedir"
  fi
  [ "$(runpath "$libdir/libornatex.so.0")" = '$ORIGIN/ornatex' ] ||
    fail "libornatex.so.0 has RUNPATH '$(runpath "$libdir/libornatex.so.0")'"
  [ "$(runpath "$enginedir/libcorvane.so.0")" = '$ORIGIN' ] ||
    fail "libcorvane.so.0 has RUNPATH '$(runpath "$enginedir/libcorvane.so.0")'"
  # The programs load from the install folder as it is, and once it is moved.
  for where in "$prefix" "$work/moved"; do
    [ "$where" = "$prefix" ] || mv "$prefix" "$where"
    env -u LD_LIBRARY_PATH "$where/bin/ornatex" info "$sample" >/dev/null ||
      fail "ornatex does not run from $where"
    if [ -x "$where/bin/velkin" ]; then
      missing=$(env -u LD_LIBRARY_PATH ldd "$where/bin/velkin" | grep 'not found' || true)
      [ -z "$missing" ] || fail "velkin in $where misses: $missing"
    fi
    [ "$where" = "$prefix" ] || mv "$where" "$prefix"
  done
fi

# A C++14 program is told first, in one line, that the headers need C++17.
printf '#include <ornatex/ornatex.h>\nint main() { return 0; }\n' >"$work/cxx14.cpp"
if c++ -std=c++14 -fsyntax-only $(pc --cflags) "$work/cxx14.cpp" >"$work/cxx14.out" 2>&1; then
  fail "a C++14 compile of <ornatex/ornatex.h> succeeded"
fi
expected='ornatex needs C++17 or later: compile with -std=c++17 (MSVC: /std:c++17)'
first=$(grep -m1 'error' "$work/cxx14.out" || true)
case "$first" in
  *"#error \"$expected\""*) ;;
  *) fail "C++14 compile: first error is '$first', expected '$expected'" ;;
esac

cmake -S "$work/consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
out=$(env -u LD_LIBRARY_PATH "$work/build/consumer" "$sample")
[ "$out" = "200x32" ] || fail "consumer (CMake package) printed '$out'"

# pkg-config: the link line carries an rpath to the engine folder only;
# libornatex itself is found through LD_LIBRARY_PATH, or through an rpath
# the consumer adds (the two ways the README gives), or by the loader's
# default search when installed under /usr.
c++ -std=c++17 "$work/consumer/consumer.cpp" -o "$work/consumer-pc" $(pc --cflags --libs)
rpath=$(runpath "$work/consumer-pc")
[ "$(realpath "$rpath")" = "$enginedir" ] || fail "ornatex.pc gave the consumer the rpath '$rpath'"
out=$(LD_LIBRARY_PATH="$libdir" "$work/consumer-pc" "$sample")
[ "$out" = "200x32" ] || fail "consumer (pkg-config, LD_LIBRARY_PATH) printed '$out'"
c++ -std=c++17 "$work/consumer/consumer.cpp" -o "$work/consumer-pc-rpath" $(pc --cflags --libs) \
  -Wl,-rpath,"$(pc --variable=libdir)"
out=$(env -u LD_LIBRARY_PATH "$work/consumer-pc-rpath" "$sample")
[ "$out" = "200x32" ] || fail "consumer (pkg-config, -Wl,-rpath) printed '$out'"
if [ "$prefix" = /usr ]; then
  out=$(env -u LD_LIBRARY_PATH "$work/consumer-pc" "$sample")
  [ "$out" = "200x32" ] || fail "consumer (pkg-config, /usr) printed '$out'"
fi
echo "consumer project: C++14 told to use C++17; CMake package and pkg-config both build and load $out"
