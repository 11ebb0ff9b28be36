// Replays files (or folders, recursively) through the differential check:
// the CTest regression run of its corpus. Prints how many inputs both sides
// accepted and compared; exits non-zero when no file was found.
#include "DifferentialRun.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else if (fs::is_regular_file(arg)) {
            files.push_back(arg);
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::cerr << "differential replay: no corpus files found\n";
        return 1;
    }
    std::size_t compared = 0;
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        compared += fuzz::runDifferential(bytes.data(), bytes.size());
    }
    std::cout << "differential replay: " << files.size() << " files, " << compared
              << " decoded by both sides with the same pixels\n";
    return 0;
}
