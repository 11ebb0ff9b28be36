#!/usr/bin/env bash
# Builds libtiff (with zlib, for Deflate) as static libraries for the cross
# builds, so that the tool's import step reads every TIFF there as it does on
# the build machine: Windows x64, Windows x86 and 32-bit Linux. The sources are
# Debian's own source packages of the current point release (the libtiff
# release libtiff-dev has, with Debian's patches), fetched through the package
# registry; the security archive's source pool is not reachable from here.
#
# Run by `scripts/install-deps.sh platforms` (as root). Installs into
#   /opt/ornatex-cross/<triplet>/{include,lib}
# which the cross toolchain files add to their search root. A triplet whose
# libtiff is already there is left alone; ORNATEX_CROSS_REBUILD=1 rebuilds.
#
# Usage: build-cross-libtiff.sh [<triplet>...]
#   (default: x86_64-w64-mingw32 i686-w64-mingw32 i686-linux-gnu)
set -euo pipefail

root=/opt/ornatex-cross
triplets=("$@")
[ ${#triplets[@]} -gt 0 ] || triplets=(x86_64-w64-mingw32 i686-w64-mingw32 i686-linux-gnu)

todo=()
for t in "${triplets[@]}"; do
  if [ "${ORNATEX_CROSS_REBUILD:-0}" = 1 ] || [ ! -f "$root/$t/lib/libtiff.a" ]; then todo+=("$t"); fi
done
[ ${#todo[@]} -gt 0 ] || exit 0

work=$(mktemp -d /tmp/ornatex-cross.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Source packages: a private source list and package index, so the system's
# apt configuration is neither read nor changed.
mkdir -p "$work/apt/lists/partial" "$work/apt/sources"
cat >"$work/apt/sources/debian-src.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/sources"
          -o "Dir::State::Lists=$work/apt/lists" -o APT::Sandbox::User=root -qq)
echo "build-cross-libtiff: fetching the zlib and tiff source packages"
apt-get "${apt_opts[@]}" update
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only zlib tiff >/dev/null)
(cd "$work" && dpkg-source -q -x zlib_*.dsc zlib-src >/dev/null && dpkg-source -q -x tiff_*.dsc tiff-src >/dev/null)

for t in "${todo[@]}"; do
  prefix="$root/$t"
  case $t in
    *-mingw32) cc="$t-gcc-posix" cxx="$t-g++-posix" ar="$t-ar" cflags="-O2" system=Windows libm=() ;;
    # The 32-bit C library (g++-multilib) is not under the search root.
    i686-linux-gnu) cc=gcc cxx=g++ ar=ar cflags="-O2 -m32 -msse2 -mfpmath=sse" system=Linux libm=(-DCMath_LIBRARY=/usr/lib32/libm.so) ;;
    *) echo "build-cross-libtiff: unknown triplet $t" >&2; exit 2 ;;
  esac
  echo "build-cross-libtiff: $t"
  rm -rf "$prefix" && mkdir -p "$prefix/include" "$prefix/lib"

  # zlib: its library sources compiled and archived directly (its own build
  # files would also make a shared library and programs, not needed here).
  zobj="$work/zlib-$t" && mkdir -p "$zobj"
  # (The gz* file functions are left out: libtiff does not use them.)
  for f in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
    # shellcheck disable=SC2086  # the flags are split on purpose
    "$cc" $cflags -I"$work/zlib-src" -c "$work/zlib-src/$f.c" -o "$zobj/$f.o"
  done
  "$ar" rcs "$prefix/lib/libz.a" "$zobj"/*.o
  cp "$work/zlib-src/zlib.h" "$work/zlib-src/zconf.h" "$prefix/include/"

  # libtiff: the library alone, static, with its built-in codecs and zlib's.
  cmake -S "$work/tiff-src" -B "$work/tiff-$t" -G Ninja -Wno-dev \
    -DCMAKE_SYSTEM_NAME=$system -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$cflags" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="${cflags#-O2 }" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dcxx=OFF -Dzlib=ON -Dlibdeflate=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlerc=OFF \
    -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF "${libm[@]}" \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" >/dev/null
  cmake --build "$work/tiff-$t" >/dev/null
  cmake --install "$work/tiff-$t" >/dev/null
  # Only the headers and the static archives are used; the rest (pkg-config
  # and CMake files naming this build's paths, manuals) is dropped.
  rm -rf "$prefix/share" "$prefix/lib/pkgconfig" "$prefix/lib/cmake" "$prefix/bin"
done
echo "build-cross-libtiff: done (${todo[*]})"
