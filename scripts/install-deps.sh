#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing.
# Usage: scripts/install-deps.sh [build|test|all|platforms]   (default: all)
#   platforms: what the windows-x64, windows-x86 and linux-x86 presets need
#   (cross compilers, Wine, qemu, GoogleTest's sources), on top of all, and
#   the 32-bit Wine the windows-x86 tests run under (scripts/wine32-run.sh
#   --setup: downloaded and unpacked once into its own cache, not installed),
#   and static libtiff and zlib for the three cross targets, built from
#   Debian's source packages (scripts/build-cross-libtiff.sh).
set -euo pipefail

# The Mesa drivers are what velkin renders with, in a window or offscreen.
# libtiff-dev: the tool's import step reads TIFF variants through it; libpng-dev
# and libdeflate-dev: it reads PNG through libpng, the image data inflated by
# libdeflate.
build_pkgs=(cmake ninja-build g++ pkg-config libsdl2-dev libgl-dev libegl-dev libtiff-dev libdeflate-dev
            libpng-dev libstb-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
            libgl1-mesa-dri libglx-mesa0 libegl-mesa0)
# Peers for benchmarks and interoperability, the end-to-end test under Xvfb,
# clang with its sanitizer and fuzzer runtimes, bash-completion (the tool's
# completion is tested through its helpers), and for the Debian packages
# dpkg-dev and debhelper (dpkg-buildpackage) and lintian; Pillow, the
# reference the import step's pixels are compared with; ccache, which a build
# uses when CMAKE_<LANG>_COMPILER_LAUNCHER names it.
test_pkgs=(libtiff-tools python3-pil imagemagick xvfb xdotool bash-completion dpkg-dev debhelper lintian ccache
           clang libclang-rt-14-dev)

# The other platforms: mingw-w64 cross compilers for Windows x64 and x86,
# Wine's 64-bit loader to run the x64 build, g++ -m32 and qemu-i386 for the
# 32-bit Linux build, GoogleTest's sources for the cross builds, mingw's
# zlib1.dll (32-bit Wine's builtin zlib is made from it). No i386
# architecture is added: none of these is an i386 package.
platform_pkgs=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 qemu-user g++-multilib googletest
               libz-mingw-w64)

case "${1:-all}" in
  build) want=("${build_pkgs[@]}") ;;
  test|all) want=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  platforms) want=("${build_pkgs[@]}" "${test_pkgs[@]}" "${platform_pkgs[@]}") ;;
  *) echo "usage: $0 [build|test|all|platforms]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ "${1:-all}" = platforms ]; then
  "${sudo_cmd[@]}" bash "$(dirname "$0")/wine32-run.sh" --setup
  "${sudo_cmd[@]}" bash "$(dirname "$0")/build-cross-libtiff.sh"
fi
