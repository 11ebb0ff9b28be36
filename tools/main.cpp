// ornatex: check which legacy texture files the library loads, show what it
// sees in them, convert them to the engine's formats, PNG or PAM, export its mesh primitives.
#include <cstdio>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <vector>
#endif

#include "Commands.h"

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(int, char**);
};

const Command commands[] = {
    {"check", "check PATH...        which files load, which are refused and why", tool::runCheck},
    {"info", "info FILE...         format, size, layout, and whether the file loads", tool::runInfo},
    {"convert", "convert IN... OUT    write images as .tga, .sgi, .tif (proven), .png or .pam", tool::runConvert},
    {"mesh", "mesh SHAPE -o OUT    write a mesh primitive as .obj or .ply", tool::runMesh},
};

void printUsage(std::FILE* out) {
    std::fputs("usage: ornatex COMMAND [OPTIONS] [ARGS]\n\ncommands:\n", out);
    for (const Command& c : commands) std::fprintf(out, "  %s\n", c.summary);
    std::fputs("  help [COMMAND]       describe the tool or one command\n"
               "\n"
               "options:\n"
               "  -h, --help           show this help and exit\n"
               "      --version        show the version and exit\n"
               "\n"
               "Exit status: 0 success, 1 failure (a file refused or not written),\n"
               "2 usage error.\n",
               out);
}

const Command* findCommand(const char* name) {
    for (const Command& c : commands)
        if (std::strcmp(name, c.name) == 0) return &c;
    return nullptr;
}

int unknownCommand(const char* name) {
    std::fprintf(stderr, "ornatex: unknown command '%s'\n", name);
    std::fputs("Try 'ornatex help'.\n", stderr);
    return tool::exitUsage;
}

#if defined(_WIN32)
// The arguments as UTF-8, read from the wide-character command line: the
// char argv Windows hands to main holds them in the ANSI code page, where a
// name it cannot spell is already lost. Kept for the life of the program.
std::vector<std::string> utf8Arguments;
std::vector<char*> utf8Argv;

bool readWideArguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return false;
    for (int i = 0; i < count; ++i) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 1u, '\0');
        if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], bytes, nullptr, nullptr);
        text.resize(text.size() - 1);  // the terminating zero
        utf8Arguments.push_back(std::move(text));
    }
    LocalFree(wide);
    for (std::string& a : utf8Arguments) utf8Argv.push_back(&a[0]);
    utf8Argv.push_back(nullptr);
    return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    if (readWideArguments()) {
        argc = static_cast<int>(utf8Arguments.size());
        argv = utf8Argv.data();
    }
    // Names are printed as UTF-8; a console shows them as such.
    SetConsoleOutputCP(CP_UTF8);
    // Standard streams carry pictures ("convert - -"): in Windows' text mode
    // every 0x0A byte would gain a 0x0D before it, and the PNG would be
    // broken. Text lines end in a bare line feed, as elsewhere.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2) {
        printUsage(stderr);
        return tool::exitUsage;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        printUsage(stdout);
        return tool::exitOk;
    }
    if (first == "--version") {
        std::printf("ornatex %s\n", ORNATEX_VERSION);
        return tool::exitOk;
    }
    if (first == "help") {
        if (argc == 2) {
            printUsage(stdout);
            return tool::exitOk;
        }
        if (argc > 3) return tool::usageError("help", "takes at most one command name");
        const Command* c = findCommand(argv[2]);
        if (!c) return unknownCommand(argv[2]);
        char helpOption[] = "--help";
        char* helpArgs[] = {helpOption, nullptr};
        return c->run(1, helpArgs);
    }
    if (first.size() > 1 && first[0] == '-') {
        std::fprintf(stderr, "ornatex: unknown option %s (options follow the command)\n", first.c_str());
        std::fputs("Try 'ornatex help'.\n", stderr);
        return tool::exitUsage;
    }
    const Command* c = findCommand(argv[1]);
    if (!c) return unknownCommand(argv[1]);
    return c->run(argc - 2, argv + 2);
}
