// A temporary folder for a test's files, removed with everything in it when
// the test ends. Tests never write into the source tree.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace ornatextest {

class TempDir {
public:
    TempDir() {
#if defined(_WIN32)
        // No mkdtemp: try random names until one is new.
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("ornatex-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path = candidate;
                return;
            }
        }
        throw std::runtime_error("cannot make a temporary folder");
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "ornatex-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path = pattern;
#endif
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::string file(const std::string& name) const { return (path / name).string(); }

    // Writes the bytes to a file of the folder and returns its path.
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        const std::string p = file(name);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (!f) throw std::runtime_error("cannot write " + p);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p;
    }

    std::filesystem::path path;
};

}  // namespace ornatextest
