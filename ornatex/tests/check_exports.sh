#!/bin/sh
# Fails when the library exports a symbol outside its documented families:
# the three loaders, the six primitives, the four inline kwStream members,
# the decoding API of <ornatex/decode.h> (ornatex::Image and its block owner
# ornatex::ByteBlock, decode*, inspect*, format*, refusal*)
# and the grid sizing of <ornatex/primitives/GridPlan.h> (ornatex::planGrid).
# Unoptimised builds may also carry weak copies of standard-library inline
# functions (std::type_info::operator== at -O0, and function templates such
# as "void std::__detail::__to_chars_10_impl<...>" or "unsigned int&
# std::vector<...>::emplace_back<...>(...)", printed after their return
# type); those are the runtime's, not the library's interface, and are
# left out of the check.
# Works on ELF (nm -D) and on Windows DLLs (objdump -p).
# Usage: check_exports.sh LIBRARY [OBJDUMP]
set -eu
lib="$1"
allowed='^(ImageLoaderTGA|ImageLoaderTIFF|ImageLoaderRGBA|kwCircle|kwTexCircle|kwCone|kwCylinder|kwSphere|kwParametric)::|^(typeinfo|typeinfo name|vtable) for (kwCircle|kwTexCircle|kwCone|kwCylinder|kwSphere|kwParametric)$|^kwStream::(readChunk|writeChunk|isBigEndian|swap)\(|^ornatex::(Image|ByteBlock)::|^ornatex::(decode|decodeTGA|decodeTIFF|decodeSGI|decodeFile|inspect|inspectFile|formatOf|formatBySignature|formatName|refusalText|refusalName|planGrid)\('
symbols=$(sh "$(dirname "$0")/list_exports.sh" "$lib" ${2:+"$2"} | grep -vE '^([a-z_*& ]+ )?std::' || true)
# Members the families keep inside the library.
hidden='^kwSphere::(makeSphere|subdivide)\(|^(kwCone::~kwCone|kwCylinder::~kwCylinder|kwSphere::~kwSphere)\(|^kwParametric::rebuild\(|readStream(Short|Long)'
extra=$( (printf '%s\n' "$symbols" | grep -vE "$allowed"; printf '%s\n' "$symbols" | grep -E "$hidden") || true)
if [ -n "$extra" ]; then
  echo "undocumented exports in $lib:"
  printf '  %s\n' "$extra"
  exit 1
fi
for family in ImageLoaderTGA:: ImageLoaderTIFF:: ImageLoaderRGBA:: kwCircle:: kwTexCircle:: kwCone:: kwCylinder:: kwSphere:: kwParametric:: kwStream:: ornatex::Image:: ornatex::ByteBlock:: 'ornatex::decode(' 'ornatex::formatOf(' 'ornatex::refusalText(' ornatex::decodeTGA ornatex::decodeTIFF ornatex::decodeSGI ornatex::decodeFile 'ornatex::inspect(' ornatex::inspectFile ornatex::planGrid; do
  printf '%s\n' "$symbols" | grep -q "^$family" || { echo "missing export family $family"; exit 1; }
done
echo "exports of $lib: $(printf '%s\n' "$symbols" | wc -l) symbols, all documented"
