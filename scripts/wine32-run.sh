#!/usr/bin/env bash
# Runs a 32-bit Windows program under 32-bit Wine: the emulator of the
# windows-x86 preset (CMAKE_CROSSCOMPILING_EMULATOR), also usable by hand:
#   scripts/wine32-run.sh build/windows-x86/bin/ornatex.exe info file.tga
# Usage: wine32-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
#        wine32-run.sh --setup        (prepare only; scripts/install-deps.sh)
# The Wine prefix (DIR, default build/windows-x86/wineprefix) is a 32-bit
# one (WINEARCH=win32), made on first use.
#
# The build machine's kernel runs no 32-bit x86 code, so Wine's 32-bit side
# runs under qemu-i386: Debian's i386 Wine and the i386 libraries it needs,
# downloaded (never installed) and unpacked into a private system root, with
# qemu-i386 10.x from bookworm-backports (bookworm's 7.2 breaks Wine's
# threads); i386 ELF programs are handed to that qemu through binfmt_misc,
# since Wine's loader starts new processes itself. The Wine server is the
# build machine's 64-bit one (Debian's wine64, same Wine version).
#
# The set-up is made once, by scripts/install-deps.sh platforms (which runs
# this script with --setup, as root), under ORNATEX_WINE32_CACHE (default
# /var/cache/ornatex-wine32), and reused by every later run and clone. It
# reads apt's indexes through a private apt configuration there: the
# system's apt sources, architectures and package state are never changed.
# It needs root (binfmt_misc, /var/cache); where it cannot be made, this
# script stops at once with one line saying why. Running a program never
# sets anything up: without the set-up it stops with one line saying how
# to make it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="${ORNATEX_WINE32_CACHE:-/var/cache/ornatex-wine32}"
sysroot="$cache/sysroot"
qemu="$cache/qemu/usr/bin/qemu-i386"
binfmt_dir=/proc/sys/fs/binfmt_misc
binfmt_name=ornatex-wine32-i386
# Bump when the set-up's content changes, so an older cache is remade.
stamp_version=1

die() { echo "wine32-run: $*" >&2; exit 127; }

# The i386 packages Wine needs to run programs with windows and OpenGL
# (through Mesa's llvmpipe) under Xvfb; apt adds their dependencies.
wine_pkgs=(wine32:i386 wine32-preloader:i386 libgl1:i386 libglx-mesa0:i386
           libgl1-mesa-dri:i386 libxrender1:i386 libxrandr2:i386 libxi6:i386
           libxcursor1:i386 libxinerama1:i386 libxcomposite1:i386
           libxxf86vm1:i386 libxfixes3:i386 libfreetype6:i386 libfontconfig1:i386)

ready() { [ "$(cat "$cache/ready" 2>/dev/null)" = "$stamp_version" ]; }

# binfmt_misc entry: i386 ELF executables and shared objects (e_type 2 or
# 3, e_machine 3) run through the private qemu-i386. P keeps argv[0] as
# the program gave it; F opens the interpreter now, so it is found from
# any mount namespace or root.
binfmt_register() {
  if [ ! -e "$binfmt_dir/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt_dir" 2>/dev/null \
      || die "binfmt_misc is not available (cannot mount $binfmt_dir): i386 programs cannot be handed to qemu-i386"
  fi
  if [ -e "$binfmt_dir/$binfmt_name" ]; then
    if grep -qx "interpreter $qemu" "$binfmt_dir/$binfmt_name" && grep -qx enabled "$binfmt_dir/$binfmt_name"; then
      return 0
    fi
    echo -1 >"$binfmt_dir/$binfmt_name" 2>/dev/null || die "cannot replace the binfmt_misc entry $binfmt_name"
  fi
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':%s:M::%s:%s:%s:PF\n' "$binfmt_name" "$magic" "$mask" "$qemu" >"$binfmt_dir/register" 2>/dev/null \
    || die "cannot register i386 programs with binfmt_misc ($binfmt_dir/register refused the entry)"
}

# Writes a private apt configuration under $cache/apt that reads the same
# Debian mirrors as the system's (plus bookworm-backports from the main
# suite's mirror) for amd64 and i386, with its own index and archive
# folders and an empty package state: what it lists is everything the
# unpacked Wine needs, whatever the system has installed (or is installing
# at the moment).
apt_private() {
  local apt="$cache/apt" site release suites main_site=""
  rm -rf "$apt"
  mkdir -p "$apt/etc/sources.list.d" "$apt/etc/preferences.d" "$apt/lists/partial" "$apt/archives/partial"
  : >"$apt/etc/sources.list"
  while IFS='|' read -r site release; do
    echo "deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $site $release main" >>"$apt/etc/sources.list"
    [ "$release" = bookworm ] && main_site=$site
  done < <(apt-get indextargets --format '$(SITE)|$(RELEASE)' 'Component: main' 2>/dev/null \
             | grep -E '\|bookworm(-updates|-security)?$' | sort -u)
  [ -n "$main_site" ] || die "apt has no Debian bookworm main suite to download Wine's i386 packages from"
  echo "deb [arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $main_site bookworm-backports main" >>"$apt/etc/sources.list"
  cat >"$apt/apt.conf" <<EOF
Dir::Etc::SourceList "$apt/etc/sources.list";
Dir::Etc::SourceParts "$apt/etc/sources.list.d";
Dir::Etc::Preferences "$apt/etc/preferences";
Dir::Etc::PreferencesParts "$apt/etc/preferences.d";
Dir::State::Lists "$apt/lists";
Dir::Cache "$apt/cache";
Dir::Cache::Archives "$apt/archives";
Dir::State::status "$apt/status";
APT::Architecture "amd64";
APT::Architectures { "amd64"; "i386"; };
APT::Get::AllowUnauthenticated "false";
Debug::NoLocking "true";
EOF
  mkdir -p "$apt/cache"
  : >"$apt/status"
}

binfmt_ok() { [ -e "$binfmt_dir/$binfmt_name" ] && grep -qx enabled "$binfmt_dir/$binfmt_name"; }

setup() {
  if ready && binfmt_ok; then return 0; fi
  if [ "$(id -u)" -ne 0 ] && ready; then
    die "i386 programs are not registered with binfmt_misc, which needs root: run $0 --setup as root"
  fi
  [ "$(id -u)" -eq 0 ] || die "setting up 32-bit Wine needs root (binfmt_misc and $cache); run scripts/install-deps.sh platforms as root"
  [ -d "$binfmt_dir" ] || die "this kernel has no binfmt_misc ($binfmt_dir): i386 programs cannot be handed to qemu-i386"
  [ -x /usr/lib/wine/wineserver ] || die "no 64-bit Wine server (/usr/lib/wine/wineserver): install Debian's wine64"
  [ -f /usr/i686-w64-mingw32/lib/zlib1.dll ] || die "no /usr/i686-w64-mingw32/lib/zlib1.dll: install Debian's libz-mingw-w64"
  mkdir -p "$cache" || die "cannot create $cache"
  exec 8>"$cache/.lock"
  flock 8
  if ready; then binfmt_register; return 0; fi
  echo "wine32-run: setting up 32-bit Wine under $cache (one time, about 250 MB download)" >&2
  rm -f "$cache/ready"
  apt_private
  local conf="$cache/apt/apt.conf" work="$cache/download"
  export APT_CONFIG="$conf"
  apt-get update -qq >"$cache/apt/update.log" 2>&1 \
    || die "apt-get update of the private index failed (see $cache/apt/update.log)"

  rm -rf "$work"
  mkdir -p "$work"
  # Only qemu-i386 is taken from backports' qemu-user; the installed
  # qemu-user (bookworm's, used by the linux-x86 preset) is left alone.
  (cd "$work" && apt-get download -qq -t bookworm-backports qemu-user >/dev/null 2>&1) \
    || die "cannot download qemu-user from bookworm-backports"
  rm -rf "$cache/qemu"
  dpkg-deb -x "$work"/qemu-user_*.deb "$cache/qemu"
  [ -x "$qemu" ] || die "bookworm-backports' qemu-user has no usr/bin/qemu-i386"
  find "$cache/qemu" ! -type d ! -path "$qemu" -delete

  # What installing Wine's i386 packages on an empty system would bring
  # in: i386 packages and architecture-independent ones (data files).
  local list
  list=$(apt-get install -s --no-install-recommends "${wine_pkgs[@]}" 2>"$cache/apt/simulate.log" \
           | awk '/^Inst / && /\[(i386|all)\]/ { name=$2; if (name !~ /:/) name=name":all"; print name }') \
    || die "apt cannot resolve Wine's i386 packages (see $cache/apt/simulate.log)"
  [ -n "$list" ] || die "apt listed no i386 packages for Wine (see $cache/apt/simulate.log)"
  local pkgs=()
  for p in $list; do pkgs+=("${p%:all}"); done
  (cd "$work" && apt-get download -qq "${pkgs[@]}" >/dev/null 2>"$cache/apt/download.log") \
    || die "downloading Wine's i386 packages failed (see $cache/apt/download.log)"

  rm -rf "$sysroot"
  mkdir -p "$sysroot/etc"
  for deb in "$work"/*.deb; do
    case $(basename "$deb") in qemu-user_*) continue ;; esac
    dpkg-deb -x "$deb" "$sysroot"
  done
  printf 'include /etc/ld.so.conf.d/*.conf\n' >"$sysroot/etc/ld.so.conf"
  ldconfig -r "$sysroot"

  # libwine's maintainer script makes Wine's builtin zlib1.dll from
  # mingw's: the same DLL marked as builtin at offset 64.
  local wdir="$sysroot/usr/lib/i386-linux-gnu/wine/i386-windows"
  [ -d "$wdir" ] || die "the unpacked Wine has no $wdir"
  cp /usr/i686-w64-mingw32/lib/zlib1.dll "$wdir/zlib1.dll"
  printf 'Wine builtin DLL' | dd of="$wdir/zlib1.dll" bs=1 seek=64 conv=notrunc status=none

  [ -x "$sysroot/usr/lib/wine/wine" ] || die "the unpacked Wine has no usr/lib/wine/wine loader"
  rm -rf "$work" "$cache/apt/archives" "$cache/apt/lists"
  binfmt_register
  echo "$stamp_version" >"$cache/ready"
  echo "wine32-run: 32-bit Wine set up under $cache" >&2
}

if [ "${1:-}" = "--setup" ]; then setup; exit 0; fi

ready || die "32-bit Wine is not set up under $cache: run scripts/install-deps.sh platforms (as root, once)"
binfmt_ok || die "i386 programs are not registered with binfmt_misc (after a reboot?): run scripts/install-deps.sh platforms (as root)"

prefix="$here/../build/windows-x86/wineprefix"
if [ "${1:-}" = "--prefix" ]; then prefix="$2"; shift 2; fi
export QEMU_LD_PREFIX="$sysroot"
export WINEARCH=win32
export WINESERVER=/usr/lib/wine/wineserver
WINE_RUN_LOADER="$sysroot/usr/lib/wine/wine" WINE_RUN_TRIPLE=i686-w64-mingw32 \
  exec "$here/wine-run.sh" --prefix "$prefix" "$@"
