// `ornatex info FILE...`: what the header of each file says and whether the
// library loads it.
#include <cstdio>
#include <vector>

#include "Commands.h"
#include "FileReport.h"
#include "OptionParser.h"
#include "ReportFormat.h"

namespace tool {

namespace {

OptionParser makeParser() {
    return OptionParser("info", {
        {"json", 0, 0, "", "print one JSON array with an object per file"},
        {"verbose", 'v', 0, "", "also print the loaders' own text (on standard error with --json)"},
    });
}

void printHelp(const OptionParser& parser) {
    std::fputs("usage: ornatex info [OPTIONS] FILE...\n"
               "\n"
               "For each FILE (- reads standard input) prints one line: the format, width\n"
               "and height, the channels a stored pixel has and their bits, the origin,\n"
               "the compression, the strips (TIFF) or run-length scanlines (SGI), the\n"
               "colour map, the file size, and whether the library loads the file, with\n"
               "the reason when it does not. Each file that is not loaded also gets a line\n"
               "FILE: REASON on standard error.\n"
               "\n",
               stdout);
    std::fputs(parser.optionsHelp().c_str(), stdout);
    std::fputs("\n"
               "Exit status: 0 when every file loads, 1 when one does not, 2 for a usage\n"
               "error.\n",
               stdout);
}

}  // namespace

int runInfo(int argc, char** argv) {
    OptionParser parser = makeParser();
    if (!parser.parse(argc, argv)) return usageError("info", parser.error());
    if (parser.given("help")) {
        printHelp(parser);
        return exitOk;
    }
    if (parser.operands().empty()) return usageError("info", "no file given");
    const bool json = parser.given("json");
    // Beside a JSON document the loaders' text goes to standard error, so
    // that standard output stays one document.
    std::FILE* trace = parser.given("verbose") ? (json ? stderr : stdout) : nullptr;

    std::vector<FileReport> reports;
    bool allLoaded = true;
    for (const std::string& path : parser.operands()) {
        FileReport report = examineFile(path, trace);
        if (!report.ok) {
            allLoaded = false;
            std::fflush(stdout);
            std::fprintf(stderr, "%s: %s\n", path.c_str(), report.error.c_str());
        }
        if (!json) std::printf("%s\n", reportAsText(report).c_str());
        reports.push_back(std::move(report));
    }
    if (json) std::fputs(reportsAsJson(reports).c_str(), stdout);
    std::fflush(stdout);
    return allLoaded ? exitOk : exitFailed;
}

}  // namespace tool
