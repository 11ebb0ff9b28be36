// Replays files (or folders, recursively) through the differential check:
// the CTest regression run of its corpus. Prints how many inputs both sides
// accepted and compared; exits non-zero when no file was found.
#include "DifferentialRun.h"

#include <iostream>
#include <vector>

#include "CorpusFiles.h"

int main(int argc, char** argv) {
    std::size_t compared = 0;
    const std::size_t files = fuzz::replayCorpus(
        argc, argv, "differential replay",
        [&](const std::filesystem::path&, const std::vector<std::uint8_t>& bytes) {
            compared += fuzz::runDifferential(bytes.data(), bytes.size());
        });
    if (files == 0) return 1;
    std::cout << "differential replay: " << files << " files, " << compared
              << " decoded by both sides with the same pixels\n";
    return 0;
}
