// Hands fuzz input to the loaders (the file wrappers), which read files by
// path: the bytes go into an in-memory file (memfd) that the loader opens as
// /proc/self/fd/N.
// The loaders' messages go to standard output; run with stdout sent to
// /dev/null (or libFuzzer's -close_fd_mask=1).
#pragma once

#include <corvane/kwTexture.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

class MemoryFile {
public:
    MemoryFile() {
        fd = memfd_create("ornatex-fuzz", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile() { close(fd); }

    // Replaces the file's contents with the input and returns its path.
    const char* hold(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd, 0) != 0 || (size && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))) {
            std::perror("memfd write");
            std::abort();
        }
        return path.c_str();
    }

private:
    int fd;
    std::string path;
};

// A texture that checks the loaders' side of the contract: a known format,
// non-negative sizes, and every one of the width x height pixels readable
// (the base class copies them, so AddressSanitizer sees any short buffer).
class CheckingTexture : public kwTexture {
public:
    void loadImage(int width, int height, texFormat format, unsigned char* pixels) override {
        ++calls;
        if (width < 0 || height < 0 || texBytesPerPixel(format) == 0 || !pixels) std::abort();
        kwTexture::loadImage(width, height, format, pixels);
    }
    void loadSubImage(int x, int y, int width, int height, texFormat format, unsigned char* pixels) override {
        ++calls;
        if (x != 0 || y != 0 || width < 0 || height < 0 || texBytesPerPixel(format) == 0 || !pixels) std::abort();
        kwTexture::loadSubImage(x, y, width, height, format, pixels);
    }
    int calls = 0;
};

// Runs one input through one loader family, leaving what loadTGAraw,
// loadTIFF or loadRGBA loaded in `texture`. Each aborts on a broken contract.
void runTGA(const char* path, const std::uint8_t* data, std::size_t size, CheckingTexture& texture);
void runTIFF(const char* path, CheckingTexture& texture);
void runSGI(const char* path, CheckingTexture& texture);

// Runs the input through all three loaders, then holds decode() to the
// loader of the format it chooses (see DecoderRuns.h, decoderAgrees).
void runLoaders(const char* path, const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
