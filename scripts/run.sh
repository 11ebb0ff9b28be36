#!/usr/bin/env bash
# Builds the project and runs the flight test program velkin: a window on a
# desktop; on a machine without a display it renders offscreen and prints its
# statistics until Ctrl-C. Installs the Debian packages it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target velkin
exec build/default/velkin/velkin
