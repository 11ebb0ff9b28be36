// ornatex: convert legacy texture files, print what a loader sees, export meshes.
#include <cstdio>
#include <cstring>

#include "Commands.h"

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(int, char**);
};

const Command commands[] = {
    {"convert", "convert IN OUT    load an image and write it as .png or .pam", tool::runConvert},
    {"info", "info IN           print the loader's output and the image size", tool::runInfo},
    {"mesh", "mesh SHAPE -o OUT write a mesh primitive as .obj or .ply", tool::runMesh},
};

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: ornatex COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : commands) std::fprintf(out, "  %s\n", c.summary);
    std::fprintf(out, "\n'ornatex COMMAND --help' describes a command.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return tool::exitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return tool::exitOk;
    }
    for (const Command& c : commands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "ornatex: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return tool::exitUsage;
}
