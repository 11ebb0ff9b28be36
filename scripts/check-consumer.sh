#!/usr/bin/env bash
# Installs a built tree into a temporary prefix, then builds and runs a small
# consumer project outside the source tree against it, once through the CMake
# package and once through pkg-config.
# Usage: scripts/check-consumer.sh BUILD_DIR
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp -r "$src/scripts/consumer" "$work/consumer"
sample="$src/ornatex/imageloaders/tests/data/pillow-200x32_rgba_bl_raw.tga"

cmake -S "$work/consumer" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
out=$("$work/build/consumer" "$sample")
[ "$out" = "200x32" ] || { echo "consumer (CMake package) printed '$out'" >&2; exit 1; }

PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" \
  c++ -std=c++17 "$work/consumer/consumer.cpp" -o "$work/consumer-pc" \
  $(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs ornatex)
out=$("$work/consumer-pc" "$sample")
[ "$out" = "200x32" ] || { echo "consumer (pkg-config) printed '$out'" >&2; exit 1; }
echo "consumer project: CMake package and pkg-config both build and load $out"
