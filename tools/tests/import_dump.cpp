// Imports each file named on the command line and writes, per file, one
// line "via width height channels" or "error: REASON", followed for an
// image by its pixels top row first (as image viewers and Pillow list them),
// raw bytes. The Pillow comparison (import_pillow_test.py) reads this.
#include <cstdio>
#include <vector>

#include "ImageImport.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const tool::ImportedImage image = tool::importFile(argv[i]);
        if (!image.ok()) {
            std::printf("error: %s\n", image.error.c_str());
            continue;
        }
        std::printf("%s %d %d %d\n", image.via.c_str(), image.width, image.height, image.channels);
        const std::size_t rowBytes = std::size_t(image.width) * image.channels;
        for (int y = image.height - 1; y >= 0 && rowBytes > 0; --y)
            std::fwrite(image.pixels.data() + std::size_t(y) * rowBytes, 1, rowBytes, stdout);
    }
    return 0;
}
