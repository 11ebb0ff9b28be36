// The files a replay runs over: its arguments, files or folders searched
// recursively, in sorted order so that every run reads them alike.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fuzz {

inline std::vector<std::filesystem::path> corpusFiles(int argc, char** argv) {
    namespace fs = std::filesystem;
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
    return files;
}

inline std::vector<std::uint8_t> corpusBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Calls replay(path, bytes) for every corpus file the arguments name and
// returns how many there were; none is said on standard error, after the
// program's name.
template <class Replay>
std::size_t replayCorpus(int argc, char** argv, const char* program, Replay replay) {
    const std::vector<std::filesystem::path> files = corpusFiles(argc, argv);
    if (files.empty()) std::cerr << program << ": no corpus files found\n";
    for (const std::filesystem::path& path : files) replay(path, corpusBytes(path));
    return files.size();
}

}  // namespace fuzz
