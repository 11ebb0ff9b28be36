#!/usr/bin/env bash
# Builds the Debian packages from debian/ as Debian builds them
# (dpkg-buildpackage on a clean copy of the source), runs lintian on them
# (errors fail; warnings are printed), installs them with apt-get as a user
# would, checks what they installed (private engine folder, copyright files,
# stripped binaries, man page, completion), runs ornatex and velkin briefly,
# builds the consumer project against /usr, and removes the packages again so
# that the machine is as it was. Needs root (or sudo).
# Usage: scripts/check-deb.sh
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
packages=(libornatex0 libornatex-dev ornatex-tools velkin)
engine_libs="libcorvane libtovik libmoorlat libinterceptor"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
fail() { echo "check-deb: $*" >&2; exit 1; }

for p in "${packages[@]}" ornatex; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    fail "the package $p is installed already; not touching it"
  fi
done

work="$(mktemp -d)"
installed=0
velkin_pid=
cleanup() {
  [ -z "$velkin_pid" ] || kill "$velkin_pid" 2>/dev/null || true
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq "${packages[@]}" >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The source as git sees it (tracked and new files, nothing ignored, no build
# folders), built as a source package would be.
mkdir "$work/ornatex"
git -C "$src" ls-files -z -co --exclude-standard |
  (cd "$src" && xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
  tar -C "$src" --null -T - -cf - | tar -C "$work/ornatex" -xf -
echo "building the Debian packages (dpkg-buildpackage)"
if ! (cd "$work/ornatex" && DEB_BUILD_OPTIONS="parallel=${ORNATEX_DEB_JOBS:-2}" \
      dpkg-buildpackage -b -us -uc >"$work/build.log" 2>&1); then
  tail -n 40 "$work/build.log" >&2
  fail "dpkg-buildpackage failed"
fi
version=$(cd "$work/ornatex" && dpkg-parsechangelog -S Version)
for p in "${packages[@]}"; do
  deb="$work/${p}_${version}_$(dpkg --print-architecture).deb"
  [ -f "$deb" ] || fail "no package $p ($deb)"
  echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
done

echo "lintian:"
lintian --fail-on error --info "$work"/*.changes | sed 's/^/  /' || fail "lintian reports errors"

chmod 755 "$work"  # apt's sandbox user reads the packages from here
installed=1
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
  $(for p in "${packages[@]}"; do echo "$work/${p}_${version}_$(dpkg --print-architecture).deb"; done) >/dev/null

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=/usr/lib/$multiarch
files=$(dpkg -L "${packages[@]}")

# The runtime library under its SONAME in the system's library folder; the
# engine libraries only in the private folder.
soname=$(readelf -d "$libdir/libornatex.so.0" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = libornatex.so.0 ] || fail "libornatex has SONAME '$soname'"
for lib in $engine_libs; do
  printf '%s\n' "$files" | grep -qx "$libdir/ornatex/$lib.so.0" || fail "$lib.so.0 is not in $libdir/ornatex"
  outside=$(printf '%s\n' "$files" | grep "/$lib\.so" | grep -v "^$libdir/ornatex/" || true)
  [ -z "$outside" ] || fail "$lib outside the private folder: $outside"
done
# The window system module, which libcorvane loads from beside itself.
printf '%s\n' "$files" | grep -qx "$libdir/ornatex/libcorvane-sdl.so" || fail "libcorvane-sdl.so is not in $libdir/ornatex"
[ ! -e /usr/include/win32/win32.h ] || fail "win32.h was installed"

# Every package carries the machine-readable copyright file.
for p in "${packages[@]}"; do
  head -n1 "/usr/share/doc/$p/copyright" 2>/dev/null |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "$p has no machine-readable /usr/share/doc/$p/copyright"
done

# Every ELF file is stripped of its symbol table.
for f in $files; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  head -c4 "$f" | grep -q 'ELF' || continue
  if readelf -S "$f" | grep -q '\.symtab'; then fail "$f is not stripped"; fi
done

for page in ornatex velkin; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || fail "no man page $page(1)"
done
[ -f /usr/share/bash-completion/completions/ornatex ] || fail "no bash completion for ornatex"

[ "$(ornatex --version)" = "ornatex $version" ] || fail "ornatex --version says '$(ornatex --version)', the package is $version"
ornatex info "$src/ornatex/imageloaders/tests/data/pillow-200x32_rgba_bl_raw.tga" >/dev/null ||
  fail "ornatex info failed"

# velkin without a display renders offscreen and prints its statistics every
# 1000 frames: wait for the first (with a deadline), then stop it with Ctrl-C.
# Job control on, so that the background job does not start with SIGINT
# ignored, as a script's background jobs otherwise do.
set -m
env -u DISPLAY -u WAYLAND_DISPLAY velkin >"$work/velkin.out" 2>&1 &
velkin_pid=$!
set +m
deadline=$((SECONDS + 120))
until grep -q '^Total time and frames:' "$work/velkin.out"; do
  kill -0 "$velkin_pid" 2>/dev/null || { cat "$work/velkin.out" >&2; fail "velkin ended early"; }
  [ "$SECONDS" -lt "$deadline" ] || fail "velkin printed no statistics in 120 s"
  sleep 0.5
done
kill -INT "$velkin_pid"
# Should it not end, it is killed after 30 s and the check fails.
(sleep 30 && kill -KILL "$velkin_pid" 2>/dev/null) &
watchdog=$!
status=0
wait "$velkin_pid" || status=$?
velkin_pid=
kill "$watchdog" 2>/dev/null || true
[ "$status" -eq 0 ] || fail "velkin exited with $status on Ctrl-C"

bash "$src/scripts/check-consumer.sh" --prefix /usr
echo "Debian packages: lintian-clean, install, run and pass the consumer check"
