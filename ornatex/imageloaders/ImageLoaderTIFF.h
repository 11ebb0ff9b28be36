// Loader of little-endian palette-colour TIFF files: uncompressed strips of
// one 8-bit palette index a pixel, expanded through the colour map to red,
// green and blue. The first image file directory is traced on standard output
// while it is read. The texture receives one loadImage(W, H, texRGB, pixels)
// call, bottom row first.
#pragma once

#include <ornatex/ornatexExport.h>

class kwTexture;

class ORNATEX_API ImageLoaderTIFF {
public:
    // Loads the file into the texture. Returns 1 when the file cannot be
    // opened (nothing printed), 0 on every other path, decoded or not: a
    // file that is not decoded says why on standard output.
    static int loadTIFF(kwTexture* texture, const char* path);
};
