// Replays files (or folders, recursively) through the differential check:
// the CTest regression run of its corpus. Prints how many inputs both sides
// accepted and compared; exits non-zero when no file was found.
#include "DifferentialRun.h"

#include <iostream>
#include <vector>

#include "CorpusFiles.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::vector<fs::path> files = fuzz::corpusFiles(argc, argv);
    if (files.empty()) {
        std::cerr << "differential replay: no corpus files found\n";
        return 1;
    }
    std::size_t compared = 0;
    for (const fs::path& path : files) {
        const std::vector<std::uint8_t> bytes = fuzz::corpusBytes(path);
        compared += fuzz::runDifferential(bytes.data(), bytes.size());
    }
    std::cout << "differential replay: " << files.size() << " files, " << compared
              << " decoded by both sides with the same pixels\n";
    return 0;
}
