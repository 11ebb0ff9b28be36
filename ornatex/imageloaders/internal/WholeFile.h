// Reading a whole image file into one block of exactly the file's size, as
// the TGA and SGI loaders and decodeFile do. Internal to ornatex.
#pragma once

#include <ornatex/Refusal.h>

#include <cstdint>
#include <cstdio>
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

// A file opened for reading in pieces, for a loader that reads the parts it
// needs where they are needed instead of the whole file first. Its size is
// taken once, at opening, as readWholeFile takes it; reads are unbuffered.
class FileReader {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Opens `path` with "rb" and takes its size: ok, or cannotOpen, noStatus
    // or tooLarge as readWholeFile answers them (the file then closed).
    WholeFileStatus open(const char* path);
    std::uint64_t size() const { return size_; }
    // Reads exactly `bytes` from `offset` on, or from where the last read
    // ended when `offset` is negative. shortRead, with the system's reason,
    // when the file gives fewer.
    WholeFileStatus read(unsigned char* to, std::size_t bytes, std::int64_t offset = -1);

private:
    std::FILE* fp_ = nullptr;
    std::uint64_t size_ = 0;
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
