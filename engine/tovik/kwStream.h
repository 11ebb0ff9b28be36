// Binary file stream. The constructor opens a file, seek positions it, and
// the small inline members below move raw bytes in and out.
//
// Status flags: bit 0 (kwStream::noFile) set means the stream has no usable
// file. Mode flags: bit 2 (kwStream::littleEndian) set means byte-order aware
// readers take the least significant byte first; they start clear (most
// significant byte first) and change only through setStreamMode. The
// constructor's mode value (7: read raw bytes) only chooses how the file is
// opened.
//
// Exporting the inline members. readChunk, writeChunk, isBigEndian and swap
// belong to every module that uses the stream, and each module that carries
// them exports them under their kwStream names. They are marked
// KWSTREAM_INLINE_EXPORT (default visibility), which overrides
// -fvisibility-inlines-hidden, so every out-of-line copy a module emits is
// exported. A module that must export them although it never calls them out
// of line includes <tovik/kwStreamExports.h> in exactly one of its sources:
// that header takes their addresses, which makes the compiler emit the
// copies. An executable must additionally put them in its dynamic symbol
// table (CMake ENABLE_EXPORTS with a version script or dynamic list naming
// only them). On Windows the marker is __declspec(dllexport) in every
// module: each module that emits a copy (a DLL or a program) keeps it and
// lists it in its export table, even where the class itself is imported.
#pragma once

#include <cstdio>

#include <tovik/tovikExport.h>

#if defined(_WIN32)
#define KWSTREAM_INLINE_EXPORT __declspec(dllexport)
#else
#define KWSTREAM_INLINE_EXPORT __attribute__((visibility("default")))
#endif

class TOVIK_API kwStream {
public:
    enum : int {
        noFile = 1,        // status flag: the file could not be opened
        littleEndian = 4,  // mode flag: readers take the least significant byte first
        readMode = 7,      // constructor mode: open for reading of raw bytes
    };

    // Opens `path` (UTF-8 on every platform, see kwOpenFile). Mode 7 (or any mode without bit 3) opens it for reading
    // ("rb"); a mode with bit 3 (value 8) set opens it for writing ("wb").
    // The mode flags start at 0.
    // On failure the status flag noFile is set and the object stays usable:
    // reads do nothing and destruction is safe.
    kwStream(const char* path, int mode);
    kwStream(const kwStream&) = delete;
    kwStream& operator=(const kwStream&) = delete;
    // Closes the file, if one is open.
    virtual ~kwStream();

    // Sets (on true) or clears (on false) the given bits of the mode flags.
    void setStreamMode(int bits, bool on);
    // Positions the file at an absolute byte offset from its start. Offsets
    // beyond the end are allowed; reads there deliver nothing.
    void seek(long offset);

    // Reads up to `length` bytes into `buffer` with one fread. Does nothing
    // while the stream has no file. A short read is not reported.
    KWSTREAM_INLINE_EXPORT void readChunk(void* buffer, int length) {
        if (status & noFile) return;
        // The count is not reported, but is taken, so that builds that
        // warn on an ignored fread result stay quiet in client code.
        const std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(length), file);
        static_cast<void>(read);
    }
    // Writes `length` bytes from `buffer` with one fwrite. A stream with no
    // file has nowhere to write to: then nothing happens.
    KWSTREAM_INLINE_EXPORT void writeChunk(const void* buffer, int length) {
        if (!file) return;
        std::fwrite(buffer, 1, static_cast<std::size_t>(length), file);
    }
    // The engine runs on little-endian processors only.
    KWSTREAM_INLINE_EXPORT static bool isBigEndian() { return false; }
    // Reverses the order of `length` bytes in place.
    KWSTREAM_INLINE_EXPORT static void swap(void* buffer, unsigned int length) {
        unsigned char* bytes = static_cast<unsigned char*>(buffer);
        for (unsigned int k = 0, half = length / 2; k < half; ++k) {
            const unsigned char b = bytes[k];
            bytes[k] = bytes[length - 1 - k];
            bytes[length - 1 - k] = b;
        }
    }

    std::FILE* file = nullptr;  // the open file, or null
    int status = 0;             // status flags (noFile)
    int mode = 0;               // mode flags (littleEndian)
    int openMode = 0;           // the constructor's mode value
};
