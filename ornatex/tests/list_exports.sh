#!/bin/sh
# Prints the symbols a shared library or program exports, demangled, one a
# line, sorted: the dynamic symbol table of an ELF file (nm -D), the export
# table of a Windows PE file (objdump -p).
# Usage: list_exports.sh FILE [OBJDUMP]   (OBJDUMP: an objdump that reads PE)
set -eu
file="$1"
objdump="${2:-objdump}"
if [ "$(head -c 2 "$file")" = "MZ" ]; then
  # The name pointer table: lines "[   n] name" after its heading, up to the
  # blank line that ends it.
  "$objdump" -p "$file" |
    awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^[ \t]*$/ { on = 0 } on { sub(/^[ \t]*\[[ 0-9]*\][ \t]*/, ""); print }' |
    c++filt
else
  nm -D --defined-only -C "$file" | cut -d' ' -f3-
fi | grep -vE '^(_edata|_end|__bss_start|_init|_fini)$' | sort -u
