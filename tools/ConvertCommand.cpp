// `ornatex convert IN OUT` and `ornatex info IN`.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "ImageInput.h"
#include "ImageWriter.h"

namespace tool {

namespace {

bool wantsHelp(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
    return false;
}

const char* formatName(texFormat format) { return format == texRGBA ? "rgba" : "rgb"; }

const char convertHelp[] =
    "usage: ornatex convert IN OUT\n"
    "\n"
    "Loads IN with the loader for its format and writes the image to OUT,\n"
    "top row first, as PNG (OUT ends in .png) or PAM (OUT ends in .pam).\n"
    "The loader's own messages go to standard output.\n"
    "\n"
    "Input formats, chosen by magic bytes, then by extension:\n"
    "  TIFF (.tif .tiff): little-endian palette colour, uncompressed strips of\n"
    "    8-bit indices;\n"
    "  SGI image (.rgb .rgba .bw .sgi): verbatim or run-length encoded, 1 or 2\n"
    "    bytes a channel; 3 or 4 channels are loaded;\n"
    "  TGA (.tga, and anything else): uncompressed true-colour, 24 or 32 bits\n"
    "    a pixel.\n"
    "\n"
    "Exit status: 0 when the image was loaded and written, 1 when it was not,\n"
    "2 for a usage error.\n";

const char infoHelp[] =
    "usage: ornatex info IN\n"
    "\n"
    "Loads IN with the loader for its format, prints the loader's own output,\n"
    "then one line WIDTHxHEIGHT rgb|rgba.\n"
    "\n"
    "Exit status: 0 when the image was loaded, 1 when it was not, 2 for a usage error.\n";

}  // namespace

int runConvert(int argc, char** argv) {
    if (wantsHelp(argc, argv)) {
        std::fputs(convertHelp, stdout);
        return exitOk;
    }
    if (argc != 2) {
        std::fputs(convertHelp, stderr);
        return exitUsage;
    }
    const std::string in = argv[0], out = argv[1];
    const OutputKind kind = outputKindForPath(out);
    if (kind == OutputKind::unknown) {
        std::fprintf(stderr, "ornatex convert: cannot tell the output format of '%s' (use .png or .pam)\n",
                     out.c_str());
        return exitUsage;
    }
    CapturingTexture texture;
    if (!loadImageFile(in, texture)) {
        std::fprintf(stderr, "ornatex convert: no image was loaded from '%s'\n", in.c_str());
        return exitFailed;
    }
    PixelView view;
    view.width = texture.getWidth();
    view.height = texture.getHeight();
    view.channels = texture.getFormat() == texRGBA ? 4 : 3;
    view.pixels = texture.getPixels();
    const std::string error = writeImage(view, out, kind);
    if (!error.empty()) {
        std::fprintf(stderr, "ornatex convert: %s: %s\n", out.c_str(), error.c_str());
        return exitFailed;
    }
    return exitOk;
}

int runInfo(int argc, char** argv) {
    if (wantsHelp(argc, argv)) {
        std::fputs(infoHelp, stdout);
        return exitOk;
    }
    if (argc != 1) {
        std::fputs(infoHelp, stderr);
        return exitUsage;
    }
    CapturingTexture texture;
    if (!loadImageFile(argv[0], texture)) {
        std::fprintf(stderr, "ornatex info: no image was loaded from '%s'\n", argv[0]);
        return exitFailed;
    }
    std::printf("%dx%d %s\n", texture.getWidth(), texture.getHeight(), formatName(texture.getFormat()));
    return exitOk;
}

}  // namespace tool
