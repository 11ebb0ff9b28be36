// Reading a whole image file into one block of exactly the file's size, as
// the TGA and SGI loaders and decodeFile do. Internal to ornatex.
#pragma once

#include <ornatex/Refusal.h>

#include <string>

#include <ornatex/ByteBlock.h>
#include "Outcome.h"

namespace ornatex::detail {

enum class WholeFileResult {
    ok,
    cannotOpen,  // fopen failed
    noStatus,    // the file-status query failed
    tooLarge,    // larger than a signed 32-bit byte count
    noMemory,    // the block could not be allocated
    shortRead,   // the read delivered fewer bytes than the status query promised
};

struct WholeFileStatus {
    WholeFileResult result = WholeFileResult::ok;
    int error = 0;  // errno of the failed call, for cannotOpen, noStatus and shortRead
};

// Opens `path` with "rb", takes the size from the file-status query,
// allocates the block (its interior advised for huge pages) and fills it with one read.
// On any result but ok the block is empty and the file is closed. Prints
// nothing.
WholeFileStatus readWholeFile(const char* path, ByteBlock& block);

// A failed read as a decoder's refusal: its code (noMemory, tooLarge or
// cannotRead) and one line naming the file, with the system's reason where
// there is one.
Outcome wholeFileOutcome(const WholeFileStatus& status, const char* path);

// The line a loader prints for a failed read: "Missing data..\n" for a file
// that cannot be opened, nothing for a failed allocation, "<format> file
// refused: ...\n" otherwise.
std::string wholeFileLoaderLine(WholeFileResult result, const char* format);

}  // namespace ornatex::detail
