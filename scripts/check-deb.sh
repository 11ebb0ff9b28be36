#!/usr/bin/env bash
# Builds the Debian package of a build folder (cpack -G DEB), installs it
# with apt-get as a user would, checks the installed libraries, the tool,
# its man page and completion, builds the consumer project against /usr, and removes the
# package again so that the machine is as it was. Needs root (or sudo).
# Usage: scripts/check-deb.sh BUILD_DIR
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

if dpkg-query -W -f='${Status}' ornatex 2>/dev/null | grep -q 'install ok installed'; then
  echo "the ornatex package is installed already; not touching it" >&2
  exit 1
fi

work="$(mktemp -d)"
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq ornatex >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/ornatex_*.deb)
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
chmod 755 "$work"  # apt's sandbox user reads the package from here
installed=1
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

ornatex --version
for lib in libornatex libcorvane libtovik; do
  soname=$(readelf -d "$(ls /usr/lib/$lib.so.*.* | head -n1)" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  case "$soname" in "$lib.so."[0-9]*) ;; *) echo "$lib has SONAME '$soname'" >&2; exit 1 ;; esac
done
[ ! -e /usr/include/win32/win32.h ] || { echo "win32.h was installed" >&2; exit 1; }
[ -f /usr/share/man/man1/ornatex.1 ] || [ -f /usr/share/man/man1/ornatex.1.gz ] ||
  { echo "no man page ornatex(1)" >&2; exit 1; }
[ -f /usr/share/bash-completion/completions/ornatex ] || { echo "no bash completion for ornatex" >&2; exit 1; }
bash "$src/scripts/check-consumer.sh" --prefix /usr
echo "Debian package: installs, runs and passes the consumer check"
