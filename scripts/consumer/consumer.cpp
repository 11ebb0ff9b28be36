// Loads a TGA file into a texture through the installed library and prints
// its size: proof that the headers, libraries and package files fit together.
#include <ornatex/ornatex.h>
#include <corvane/kwTexture.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer FILE.tga\n");
        return 2;
    }
    kwTexture texture;
    ImageLoaderTGA::loadTGAraw(&texture, argv[1]);
    std::printf("%dx%d\n", texture.getWidth(), texture.getHeight());
    return texture.getWidth() > 0 ? 0 : 1;
}
