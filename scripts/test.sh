#!/usr/bin/env bash
# Builds everything with the default preset and runs the whole test suite.
# Installs the Debian packages it needs first (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh all
cmake --preset default
cmake --build --preset default -j "$(nproc)"
ctest --preset default -j "$(nproc)" "$@"
