#include "LoaderFile.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace ornatex {

void adviseHugePages(unsigned char* block, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
    if (size < 2 * huge) return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + huge - 1) & ~(huge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

WholeFileResult readWholeFile(const char* path, WholeFile& file) {
    file = WholeFile();
    std::FILE* fp = std::fopen(path, "rb");
    if (!fp) return WholeFileResult::cannotOpen;

    struct stat status;
    if (stat(path, &status) != 0) {
        std::fclose(fp);
        return WholeFileResult::noStatus;
    }
    if (status.st_size < 0 || status.st_size > INT32_MAX) {
        std::fclose(fp);
        return WholeFileResult::tooLarge;
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);

    // malloc(0) may answer null; one byte keeps "no memory" meaning no memory.
    unsigned char* block = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!block) {
        std::fclose(fp);
        return WholeFileResult::noMemory;
    }
    adviseHugePages(block, size);
    const std::size_t got = size ? std::fread(block, 1, size, fp) : 0;
    std::fclose(fp);
    if (got != size) {
        std::free(block);
        return WholeFileResult::shortRead;
    }
    file.data = block;
    file.size = size;
    return WholeFileResult::ok;
}

void reportWholeFileFailure(WholeFileResult result, const char* format) {
    switch (result) {
        case WholeFileResult::ok:
        case WholeFileResult::noMemory:
            break;
        case WholeFileResult::cannotOpen:
            std::printf("Missing data..\n");
            break;
        case WholeFileResult::noStatus:
            std::printf("%s file refused: its size cannot be read\n", format);
            break;
        case WholeFileResult::tooLarge:
            std::printf("%s file refused: larger than 2147483647 bytes\n", format);
            break;
        case WholeFileResult::shortRead:
            std::printf("%s file refused: it could not be read whole\n", format);
            break;
    }
}

}  // namespace ornatex
