// Loader of uncompressed true-colour TGA files (image type 2, 24 or 32 bits
// a pixel). The file is read whole into one block, each pixel is turned from
// blue-green-red(-alpha) into red-green-blue(-alpha) order in place, and the
// texture receives the address of the first pixel inside that block. Rows are
// handed on in stored order. Messages go to standard output; the integer
// results are always 0.
#pragma once

#include <ornatex/ornatexExport.h>

class kwTexture;

class ORNATEX_API ImageLoaderTGA {
public:
    // Loads the file and defines the texture's image with loadImage.
    static int loadTGAraw(kwTexture* texture, const char* path);
    // Loads the file and hands it to loadSubImage with its corner at texel (0, 0).
    static int loadTGAsub(kwTexture* texture, const char* path);
    // Prints the header report and returns the reordered pixels, which live on
    // inside the whole-file block (18 + ID length bytes past its start; do not
    // free the result). Null when the file cannot be loaded.
    static void* getColorData(const char* path);

    // The default assignment, defined in the library so that it is exported
    // with the class. The class has no data: it copies nothing.
    ImageLoaderTGA& operator=(const ImageLoaderTGA&);
};
