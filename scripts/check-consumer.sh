#!/usr/bin/env bash
# Builds and runs a small consumer project outside the source tree against
# an installed ornatex, once through the CMake package (as a C++14 project:
# the package must raise it to the C++17 its headers need) and once through
# pkg-config.
# Usage: scripts/check-consumer.sh BUILD_DIR       installs BUILD_DIR into a temporary prefix first
#        scripts/check-consumer.sh --prefix DIR    uses what is installed under DIR (e.g. /usr)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = "--prefix" ]; then
  prefix="${2:?usage: $0 --prefix DIR}"
else
  build="$(cd "${1:?usage: $0 BUILD_DIR | --prefix DIR}" && pwd)"
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
fi
cp -r "$src/scripts/consumer" "$work/consumer"
sample="$src/ornatex/imageloaders/tests/data/pillow-200x32_rgba_bl_raw.tga"

cmake -S "$work/consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
out=$("$work/build/consumer" "$sample")
[ "$out" = "200x32" ] || { echo "consumer (CMake package) printed '$out'" >&2; exit 1; }

# pkg-config forces no rpath: the loader is told where a private prefix lies.
pcdir=$(find "$prefix" -path '*/pkgconfig/ornatex.pc' -printf '%h\n' -quit 2>/dev/null || true)
[ -n "$pcdir" ] || { echo "no ornatex.pc under $prefix" >&2; exit 1; }
c++ -std=c++17 "$work/consumer/consumer.cpp" -o "$work/consumer-pc" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs ornatex)
if readelf -d "$work/consumer-pc" | grep -qE 'RPATH|RUNPATH'; then
  echo "ornatex.pc put an rpath into the consumer" >&2; exit 1
fi
libdir=$(PKG_CONFIG_PATH="$pcdir" pkg-config --variable=libdir ornatex)
out=$(LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$work/consumer-pc" "$sample")
[ "$out" = "200x32" ] || { echo "consumer (pkg-config) printed '$out'" >&2; exit 1; }
echo "consumer project: CMake package (C++14 project raised to C++17) and pkg-config both build and load $out"
