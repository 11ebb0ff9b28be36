// Reading a whole image file into one heap block of exactly the file's size,
// as the TGA and SGI loaders do. Internal to ornatex.
#pragma once

#include <cstddef>

namespace ornatex {

struct WholeFile {
    unsigned char* data = nullptr;  // malloc'd block of `size` bytes; the caller frees it
    std::size_t size = 0;
};

enum class WholeFileResult {
    ok,
    cannotOpen,    // fopen failed
    noStatus,      // the file-status query failed
    tooLarge,      // larger than a signed 32-bit byte count
    noMemory,      // the block could not be allocated
    shortRead,     // the read delivered fewer bytes than the status query promised
};

// Advises the 2 MiB-aligned interior of a large block for transparent huge
// pages: a block touched page by page for the first time is then faulted in
// a few dozen steps instead of thousands. Changes no byte; may be refused.
void adviseHugePages(unsigned char* block, std::size_t size);

// Opens `path` with "rb", takes the size from the file-status query, allocates
// the block and fills it with one read. On any result but ok nothing is left
// allocated and the file is closed. Prints nothing: the loaders word their own
// messages (see reportWholeFileFailure).
WholeFileResult readWholeFile(const char* path, WholeFile& file);

// Prints the loader's line for a failed readWholeFile on standard output:
// "Missing data..\n" for a file that cannot be opened, nothing for a failed
// allocation, one line saying what went wrong otherwise.
void reportWholeFileFailure(WholeFileResult result, const char* format);

}  // namespace ornatex
