#!/usr/bin/env bash
# Long fuzzing run of one libFuzzer harness: a decoder (tga, tiff, sgi: the
# bytes go straight to decodeTGA, decodeTIFF or decodeSGI) or the file
# wrappers (loaders: the three loaders on an in-memory file), or differential
# (the decoders against libtiff and stb_image, and the import step, starting
# from all seeds, PNG ones included).
# Usage: scripts/fuzz.sh <tga|tiff|sgi|loaders|differential> <seconds> [build-dir]
#   Builds the harness with the fuzz preset (clang, libFuzzer, ASan, UBSan)
#   into build-dir (default build/fuzz), fuzzes for the given time starting
#   from the committed seeds in fuzz/corpus/<loader>/, and keeps what it
#   learns in build-dir/fuzz-work/<loader>/ (the committed corpus is only
#   read; the loaders harness starts from all three seed folders). Crashing inputs are written to build-dir/fuzz-artifacts/<loader>/;
#   add each one, once fixed, to fuzz/corpus/<loader>/ as a regression seed.
#   The loaders' own messages (standard output) are discarded.
set -euo pipefail

loader=${1:?usage: $0 <tga|tiff|sgi|loaders|differential> <seconds> [build-dir]}
seconds=${2:?usage: $0 <tga|tiff|sgi|loaders|differential> <seconds> [build-dir]}
case "$loader" in tga|tiff|sgi|loaders|differential) ;; *) echo "unknown harness: $loader" >&2; exit 2 ;; esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$root/build/fuzz}
cmake --preset fuzz -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target "fuzz_$loader"

work=$build/fuzz-work/$loader
artifacts=$build/fuzz-artifacts/$loader
mkdir -p "$work" "$artifacts"
if [ "$loader" = differential ]; then
  seeds=("$root/fuzz/corpus/tga" "$root/fuzz/corpus/tiff" "$root/fuzz/corpus/sgi" "$root/fuzz/corpus/png")
elif [ "$loader" = loaders ]; then
  seeds=("$root/fuzz/corpus/tga" "$root/fuzz/corpus/tiff" "$root/fuzz/corpus/sgi")
else
  seeds=("$root/fuzz/corpus/$loader")
fi
exec "$build/fuzz/fuzz_$loader" "$work" "${seeds[@]}" \
  -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
  -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$artifacts/"
