// Loader of SGI image files (512-byte big-endian header, channel planes,
// verbatim or run-length encoded, 1 or 2 bytes a channel). The file is read
// whole into one block; the planes are interleaved into one output block of
// one byte a channel (2-byte samples keep their most significant byte),
// bottom row first. Three channels go to the texture as texRGB, four as
// texRGBA; other channel counts are read but not uploaded. Run-length encoded
// files also print a dump of the decoded bytes, three to a line. Messages go
// to standard output; the result is always 0.
#pragma once

#include <ornatex/ornatexExport.h>

class kwTexture;

class ORNATEX_API ImageLoaderRGBA {
public:
    static int loadRGBA(kwTexture* texture, const char* path);
};
