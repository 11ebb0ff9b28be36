// `ornatex convert IN OUT`, `ornatex convert IN... DIR` and
// `ornatex convert -o DIR IN...`: read images and write them in the engine's
// formats (TGA, SGI, palette TIFF), each proven by reading it back, or top
// row first for viewers (PNG, PAM).
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <ornatex/decode.h>

#include "Commands.h"
#include "ConsoleIo.h"
#include "FileReport.h"
#include "ImageImport.h"
#include "ImageWriter.h"
#include "OptionParser.h"
#include "Utf8Path.h"

namespace tool {

namespace {

OptionParser makeParser() {
    return OptionParser("convert", {
        {"output-dir", 'o', 1, "DIR", "write each input to DIR/NAME.png (or the --format's extension)"},
        {"format", 'f', 1, "tga|sgi|tiff|png|pam", "output format (default: from OUT's extension, else png)"},
        {"verbose", 'v', 0, "", "also print the loaders' own text (on standard error when OUT is -)"},
    });
}

void printHelp(const OptionParser& parser) {
    std::fputs("usage: ornatex convert [OPTIONS] IN OUT\n"
               "       ornatex convert [OPTIONS] IN... DIR\n"
               "       ornatex convert [OPTIONS] -o DIR IN...\n"
               "\n"
               "Reads each input (- reads standard input) and writes it as:\n"
               "  tga   .tga        uncompressed true-colour, 24-bit when every pixel is\n"
               "                    opaque, else 32-bit; bottom row first, as the engine loads it\n"
               "  sgi   .sgi .rgb   run-length encoded, 3 or 4 channels of 8 bits\n"
               "  tiff  .tif .tiff  little-endian palette colour, when the picture has at\n"
               "                    most 256 colours and no transparency\n"
               "  png   .png        8 bits a sample, RGB or RGBA, top row first\n"
               "  pam   .pam        the same in PAM\n"
               "Inputs are the files the library loads: uncompressed true-colour TGA (24\n"
               "or 32 bits), SGI of 3 or 4 channels (verbatim or run-length), and\n"
               "little-endian palette TIFF with uncompressed 8-bit strips; TIFF and SGI\n"
               "are known by their signature, TGA by its header.\n"
               "\n"
               "Every TGA, SGI or TIFF file is read back through the library's decoder\n"
               "and compared with the input's pixels before it replaces anything; a file\n"
               "is written to a hidden temporary file beside OUT and renamed into place,\n"
               "so OUT is never left half written.\n"
               "\n"
               "OUT names the output file; - writes to standard output. When the last\n"
               "argument is an existing folder, or with -o, each input goes into that\n"
               "folder under its own name with the extension changed.\n"
               "\n",
               stdout);
    std::fputs(parser.optionsHelp().c_str(), stdout);
    std::fputs("\n"
               "An input that cannot be converted gets one line FILE: REASON on standard\n"
               "error; the others are still converted. No partial output file is left.\n"
               "\n"
               "Exit status: 0 when every input was written, 1 when one was not, 2 for a\n"
               "usage error.\n",
               stdout);
}

void writeTrace(const char* text, std::size_t length, void* context) {
    std::fwrite(text, 1, length, static_cast<std::FILE*>(context));
}

// The one place that reads an input (standard input for "-"): the import
// step, which takes what the loaders load through the library's decoders and
// everything else through libtiff and stb_image. Returns an empty string, or
// the one-line reason it cannot be read.
std::string readSource(const std::string& in, std::FILE* trace, ImportedImage& source) {
    ImportOptions options;
    if (trace) {
        options.limits.trace = writeTrace;
        options.limits.traceContext = trace;
    }
    if (in == "-") {
        FileBytes bytes;
        const std::string unreadable = readFileBytes(in, bytes);
        if (!unreadable.empty()) return unreadable;
        source = importImage(bytes.data(), bytes.size(), options);
    } else {
        source = importFile(in, options);
    }
    if (trace) std::fflush(trace);
    return source.error;
}

// Reads one input and writes it; prints the failure line and returns false
// when either step fails.
bool convertOne(const std::string& in, const std::string& out, OutputKind kind, std::FILE* trace) {
    ImportedImage source;
    const std::string unreadable = readSource(in, trace, source);
    if (!unreadable.empty()) {
        std::fprintf(stderr, "%s: %s\n", in.c_str(), unreadable.c_str());
        return false;
    }
    if (out == "-") setBinaryMode(stdout);
    const std::string error = writeImage(source.view(), out, kind);
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", out.c_str(), error.c_str());
        return false;
    }
    return true;
}

}  // namespace

int runConvert(int argc, char** argv) {
    OptionParser parser = makeParser();
    if (!parser.parse(argc, argv)) return usageError("convert", parser.error());
    if (parser.given("help")) {
        printHelp(parser);
        return exitOk;
    }
    OutputKind chosen = OutputKind::unknown;
    if (parser.given("format")) {
        chosen = outputKindForName(parser.value("format"));
        if (chosen == OutputKind::unknown)
            return usageError("convert", "unknown format '" + parser.value("format") + "' (tga, sgi, tiff, png or pam)");
    }
    const std::vector<std::string>& operands = parser.operands();
    const bool verbose = parser.given("verbose");

    std::string outputDir = parser.value("output-dir");
    std::vector<std::string> inputs = operands;
    // Without -o, a last argument that is an existing folder receives the
    // inputs, as cp and mv take it.
    std::error_code ec;
    if (!parser.given("output-dir") && operands.size() >= 2 && operands.back() != "-" &&
        std::filesystem::is_directory(pathFromUtf8(operands.back()), ec)) {
        outputDir = operands.back();
        inputs.pop_back();
    } else if (!parser.given("output-dir")) {
        if (operands.size() > 2)
            return usageError("convert", "give IN and OUT, IN... and a folder, or -o DIR and the inputs ('" +
                                             operands.back() + "' is not a folder)");
        if (operands.size() != 2)
            return usageError("convert", "give IN and OUT, IN... and a folder, or -o DIR and the inputs (got " +
                                             std::to_string(operands.size()) + " file names)");
        const std::string& out = operands[1];
        OutputKind kind = chosen != OutputKind::unknown ? chosen : outputKindForPath(out);
        if (kind == OutputKind::unknown) {
            if (out != "-")
                return usageError("convert", "cannot tell the output format of '" + out +
                                                 "' (use .tga, .sgi, .rgb, .tif, .tiff, .png or .pam, or --format)");
            kind = OutputKind::png;
        }
        std::FILE* trace = verbose ? (out == "-" ? stderr : stdout) : nullptr;
        return convertOne(operands[0], out, kind, trace) ? exitOk : exitFailed;
    }

    const std::filesystem::path dir = pathFromUtf8(outputDir);
    if (inputs.empty()) return usageError("convert", "no input given");
    if (!std::filesystem::is_directory(dir, ec))
        return usageError("convert", "-o needs an existing folder, '" + outputDir + "' is not one");
    const OutputKind kind = chosen != OutputKind::unknown ? chosen : OutputKind::png;
    for (const std::string& in : inputs)
        if (in == "-") return usageError("convert", "standard input has no name to write into a folder");
    std::set<std::string> written;
    bool allWritten = true;
    for (const std::string& in : inputs) {
        const std::string out = utf8FromPath(dir / pathFromUtf8(in).filename().replace_extension(extensionFor(kind)));
        if (!written.insert(out).second) {
            std::fprintf(stderr, "%s: not written: an earlier input of the same name went to %s\n", in.c_str(),
                         out.c_str());
            allWritten = false;
            continue;
        }
        allWritten = convertOne(in, out, kind, verbose ? stdout : nullptr) && allWritten;
    }
    return allWritten ? exitOk : exitFailed;
}

}  // namespace tool
