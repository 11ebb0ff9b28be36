#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine: the emulator of the windows-x64
# preset (CMAKE_CROSSCOMPILING_EMULATOR), also usable by hand:
#   scripts/wine-run.sh build/windows-x64/bin/ornatex.exe info file.tga
# Debian's wine64 installs its loader in Wine's library folder, not on PATH.
# Usage: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
# The Wine prefix (DIR, default build/windows-x64/wineprefix) lives in the
# build folder and is made on first use (about 8 s). `wineserver -k` with
# WINEPREFIX set stops what this script leaves running.
# The mingw runtime DLLs (libstdc++, libgcc, winpthread) are found through
# WINEPATH, as they are in the install folder's bin/.
# scripts/wine32-run.sh runs 32-bit programs through this script with
# another loader (WINE_RUN_LOADER), server (WINESERVER) and mingw runtime
# (WINE_RUN_TRIPLE).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
loader=""
for candidate in "${WINE_RUN_LOADER:-}" /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null || true)" "$(command -v wine 2>/dev/null || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then loader="$candidate"; break; fi
done
[ -n "$loader" ] || { echo "wine-run: no 64-bit Wine loader (install Debian's wine64)" >&2; exit 127; }

prefix="$here/../build/windows-x64/wineprefix"
if [ "${1:-}" = "--prefix" ]; then prefix="$2"; shift 2; fi
case $prefix in /*) ;; *) prefix="$PWD/$prefix" ;; esac
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No "install Mono/Gecko?" dialogs when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
runtime=""
triple="${WINE_RUN_TRIPLE:-x86_64-w64-mingw32}"
for dir in /usr/lib/gcc/"$triple"/*-posix /usr/"$triple"/lib; do
  [ -d "$dir" ] && runtime="${runtime:+$runtime;}$(printf 'Z:%s' "$dir" | tr / '\\')"
done
export WINEPATH="${WINEPATH:+$WINEPATH;}$runtime"

server="${WINESERVER:-$(dirname "$loader")/wineserver}"
mkdir -p "$WINEPREFIX"
# The prefix's server and system processes (services, explorer, devices)
# are started once, detached, with no standard streams: started by the
# program itself they would inherit its output and keep whoever reads it
# (ctest, a pipe) waiting until they end. The server stays for 5 minutes
# after its last program, so later programs start in a fraction of a
# second. One process starts them; others started meanwhile wait.
if ! WINEPREFIX="$WINEPREFIX" "$server" -k0 2>/dev/null; then
  (
    flock 9
    if ! "$server" -k0 2>/dev/null; then
      "$server" -p 300 </dev/null >/dev/null 2>&1 9>&- || true
      "$loader" wineboot </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
