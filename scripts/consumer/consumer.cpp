// Loads a TGA file into a texture through the installed library and prints
// its size: proof that the headers, libraries and package files fit together.
// Global names that other libraries define too (X11's Xmd.h defines BOOL):
// the installed headers must leave them to the program.
typedef unsigned char BOOL;
typedef int UINT;
struct HWND__;
typedef HWND__* HWND;
enum { VK_SPACE = 32, WM_KEYDOWN = 256 };

#include <corvane/corvane.h>
#include <ornatex/ornatex.h>

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
