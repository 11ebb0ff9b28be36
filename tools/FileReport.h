// What the tool finds out about one file: whether the library loads it
// (and why not), what its header says, and its pixels when asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <ornatex/decode.h>

namespace tool {

// A file's bytes, read into memory that is never cleared first (and, for a
// large file, advised for huge pages): zeroing and faulting in fresh
// buffers page by page would cost as long as reading. `check` keeps one
// from one file to the next on the same thread.
class FileBytes {
public:
    unsigned char* data() { return block.data(); }
    const unsigned char* data() const { return block.data(); }
    std::size_t capacity() const { return block.size(); }
    std::size_t size() const { return length; }
    void setSize(std::size_t n) { length = n; }
    // Room for at least `n` bytes, keeping the first size() of them; throws
    // std::bad_alloc when there is no memory for them.
    void reserve(std::size_t n) {
        if (n <= capacity()) return;
        ornatex::ByteBlock bigger;
        if (!bigger.allocate(n, true)) throw std::bad_alloc();
        if (length) std::memcpy(bigger.data(), block.data(), length);
        block = std::move(bigger);
    }
    // Room beyond the size of most textures is given back after use.
    void trim() {
        if (capacity() > (std::size_t(64) << 20)) *this = FileBytes();
    }

private:
    ornatex::ByteBlock block;
    std::size_t length = 0;
};

struct FileReport {
    std::string path;
    bool image = true;   // false: not an image file at all (see isImageCandidate)
    bool ok = false;     // the library loads it
    bool unreadable = false;  // the system would not open or read it (error says why)
    ornatex::Refusal code = ornatex::Refusal::none;  // why not, as a code, when !ok
    std::string error;   // why not, one line with the file's numbers, when !ok
    ornatex::ImageInfo info;    // the header, as far as it could be read
    std::uint64_t fileSize = 0;
    int decodedChannels = 0;    // 3 or 4 when ok
    bool convertible = false;   // refused, but `convert` can read it (set by check only)
};

// Reads the file (standard input for "-") and decodes it with the library's
// quiet API. When `trace` is given, the loaders' own text (trace lines,
// warnings, the SGI dump) is written to it as the loaders print it. The
// decoded image is moved into `keep` when that is given. With `askConvert`,
// a file the library refuses is also given to the import step, from the same
// bytes, and `convertible` says whether convert could read it.
FileReport examineFile(const std::string& path, std::FILE* trace, ornatex::Image* keep = nullptr,
                       bool askConvert = false);

// Reads a whole file (standard input for "-") into `bytes`; returns an
// empty string, or why it could not ("cannot read: REASON", "is a folder").
std::string readFileBytes(const std::string& path, FileBytes& bytes);
std::string readFileBytes(const std::string& path, std::vector<unsigned char>& bytes);

// A report for a file that is not an image.
FileReport notAnImage(const std::string& path, std::uint64_t fileSize);

// A report for an entry the system would not let us read (a folder that
// cannot be listed, a link that leads nowhere): "cannot read: REASON".
FileReport unreadable(const std::string& path, const std::string& reason);

// Whether the name ends in an image extension (.tga .icb .vda .vst .tpic
// .tif .tiff .rgb .rgba .bw .sgi .int .inta), case aside.
bool hasImageExtension(const std::string& path);

// Whether a file found while walking a folder is worth decoding: a known
// image extension, or bytes that the library's decode() takes for an image
// (a TIFF or SGI signature, the TGA 2.0 footer, a plausible TGA header), so
// that a file without an image name is "not an image" exactly when decoding
// it would say so. Reads at most the first 256 KiB and the last 18 bytes.
bool isImageCandidate(const std::string& path);

const char* originName(ornatex::ImageOrigin origin);

}  // namespace tool
