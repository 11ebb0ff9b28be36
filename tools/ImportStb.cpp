// PNG, JPEG, BMP, GIF (first frame), PSD (composite), PNM, HDR and the TGA
// variants the loaders refuse, through stb_image (compiled here, once).
//
// stb_image hands over rows top row first; 16-bit files are read at 16 bits
// and brought to 8 by the shared rule (stb_image's own 8-bit path truncates).
// For TGA it ignores the right-to-left bit of the image descriptor, which is
// applied here, and it would deliver uninitialised memory for a file cut
// short, which is refused here first by walking the file's own layout, and
// for a PNG index beyond a short palette, which is padded here first.
#include "ImportReaders.h"
#include "PixelConvert.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <ornatex/imageloaders/internal/HugePages.h>

// stb_image's blocks come from stbAllocate: a large one is advised for huge
// pages, so that it is faulted in a few dozen steps instead of thousands.
namespace tool {
void* stbAllocate(std::size_t size);
void* stbReallocate(void* block, std::size_t size);
}  // namespace tool
#define STBI_MALLOC(size) tool::stbAllocate(size)
#define STBI_REALLOC(block, size) tool::stbReallocate(block, size)
#define STBI_FREE(block) std::free(block)
#define STBI_NO_PIC
#define STBI_FAILURE_USERMSG
#include "StbImageImplementation.h"

namespace tool {

void* stbAllocate(std::size_t size) {
    void* block = std::malloc(size);
    if (block) ornatex::detail::adviseHugePages(static_cast<unsigned char*>(block), size);
    return block;
}

void* stbReallocate(void* block, std::size_t size) {
    void* moved = std::realloc(block, size);
    if (moved) ornatex::detail::adviseHugePages(static_cast<unsigned char*>(moved), size);
    return moved;
}

namespace {

bool startsWith(const unsigned char* data, std::size_t size, const char* magic) {
    const std::size_t n = std::strlen(magic);
    return size >= n && std::memcmp(data, magic, n) == 0;
}

// Whether stb_image will take the bytes for one of its signed formats; what
// has none of these signatures it can only read as TGA.
bool hasStbSignature(const unsigned char* d, std::size_t size) {
    return startsWith(d, size, "\x89PNG") || startsWith(d, size, "\xff\xd8") || startsWith(d, size, "BM") ||
           startsWith(d, size, "GIF8") || startsWith(d, size, "8BPS") || startsWith(d, size, "#?RADIANCE") ||
           startsWith(d, size, "#?RGBE") ||
           (size >= 2 && d[0] == 'P' && (d[1] == '5' || d[1] == '6'));
}

unsigned le16(const unsigned char* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }

// The TGA header's promise checked against the file's length: the image ID,
// the colour map and every pixel (for run-length files, every packet) must
// lie inside the bytes. Empty when they do, otherwise why not.
std::string tgaDataProblem(const unsigned char* d, std::size_t size) {
    if (size < 18) return "TGA header cut short";
    const unsigned idLength = d[0], mapType = d[1], type = d[2];
    const unsigned mapFirst = le16(d + 3), mapLength = le16(d + 5), mapBits = d[7];
    const std::uint64_t width = le16(d + 12), height = le16(d + 14);
    const unsigned depth = d[16];
    if (mapType == 1 && mapFirst != 0)
        return "TGA colour map starting at entry " + std::to_string(mapFirst) + ", only 0 is read";
    if (mapType == 1 && mapLength == 0) return "TGA colour map of 0 entries";
    std::uint64_t at = 18 + idLength + (mapType ? std::uint64_t(mapLength) * ((mapBits + 7) / 8) : 0);
    const std::uint64_t pixelBytes = (depth + 7) / 8;
    if (pixelBytes == 0) return "TGA pixel depth 0";
    const std::uint64_t pixels = width * height;
    if (type >= 9) {
        std::uint64_t done = 0;
        while (done < pixels) {
            if (at >= size) return "TGA run-length data ends after " + std::to_string(done) + " pixels";
            const unsigned control = d[at++];
            const unsigned count = (control & 0x7f) + 1;
            at += control & 0x80 ? pixelBytes : count * pixelBytes;
            done += count;
        }
        if (at > size) return "TGA run-length data ends inside its last packet";
    } else if (at + pixels * pixelBytes > size) {
        return "TGA file of " + std::to_string(size) + " bytes, the pixels need " +
               std::to_string(at + pixels * pixelBytes);
    }
    return std::string();
}

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// stb_image reads a PNG palette index beyond the PLTE chunk's entries from
// uninitialised memory. For an indexed PNG whose palette is short, a copy
// with the palette padded to 256 black entries is decoded instead (black is
// what libpng's palette holds there); stb_image does not check chunk CRCs.
// Returns false when the bytes need no copy.
bool padShortPalette(const unsigned char* d, std::size_t size, std::vector<unsigned char>& copy) {
    if (!startsWith(d, size, "\x89PNG\r\n\x1a\n") || size < 33 || d[25] != 3) return false;
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::uint32_t length = be32(d + at);
        if (length > size - at - 12) return false;
        if (std::memcmp(d + at + 4, "PLTE", 4) == 0) {
            if (length >= 768 || length % 3) return false;
            copy.assign(d, d + at);
            const unsigned char full[4] = {0, 0, 3, 0};  // 768 bytes
            copy.insert(copy.end(), full, full + 4);
            copy.insert(copy.end(), d + at + 4, d + at + 8 + length);
            copy.resize(copy.size() + 768 - length, 0);
            copy.insert(copy.end(), d + at + 8 + length, d + size);  // CRC and the rest
            return true;
        }
        if (std::memcmp(d + at + 4, "IDAT", 4) == 0) return false;
        at += 12 + std::size_t(length);
    }
    return false;
}

struct StbFree {
    void operator()(void* p) const { stbi_image_free(p); }
};

// A TGA handed to stb_image through its reader callbacks with the header's
// top-left origin bit set: stb_image then gives the rows in the order they
// are stored, instead of turning a bottom-up file over with a swap a byte,
// and they are put bottom row first in the copy made anyway.
class TgaAsStored {
public:
    TgaAsStored(const unsigned char* data, std::size_t size) : data_(data), size_(size) {
        std::memcpy(header_, data, sizeof header_);  // the caller has checked the 18 bytes are there
        header_[17] = static_cast<unsigned char>(header_[17] | 0x20);
    }
    // Whether the file itself starts at the top: its rows, as stb_image
    // hands them over, are then top row first.
    bool storedTopDown() const { return (data_[17] & 0x20) != 0; }
    const stbi_io_callbacks* callbacks() const { return &callbacks_; }

private:
    static int read(void* user, char* out, int want) {
        auto* self = static_cast<TgaAsStored*>(user);
        const std::size_t n = std::min<std::size_t>(std::size_t(want > 0 ? want : 0), self->size_ - self->at_);
        std::memcpy(out, self->data_ + self->at_, n);
        for (std::size_t i = self->at_; i < sizeof self->header_ && i < self->at_ + n; ++i)
            out[i - self->at_] = static_cast<char>(self->header_[i]);
        self->at_ += n;
        return int(n);
    }
    static void skip(void* user, int n) {  // a negative n steps back
        auto* self = static_cast<TgaAsStored*>(user);
        if (n < 0) self->at_ -= std::min<std::size_t>(self->at_, std::size_t(-(long long)n));
        else self->at_ += std::min<std::size_t>(self->size_ - self->at_, std::size_t(n));
    }
    static int eof(void* user) {
        auto* self = static_cast<TgaAsStored*>(user);
        return self->at_ >= self->size_;
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    unsigned char header_[18];
    const stbi_io_callbacks callbacks_{read, skip, eof};
};

}  // namespace

ImportedImage readWithStb(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels) {
    const char* const via = "stb_image";
    std::vector<unsigned char> padded;
    if (padShortPalette(data, size, padded)) {
        data = padded.data();
        size = padded.size();
    }
    if (size > 0x7fffffff) return importRefusal(via, "file larger than 2 GiB");
    const int length = int(size);
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels))
        return importRefusal(via, std::string("not an image any reader here knows (") + stbi_failure_reason() + ")");
    const bool tga = !hasStbSignature(data, size);
    if (tga) {
        const std::string problem = tgaDataProblem(data, size);
        if (!problem.empty()) return importRefusal(via, problem);
    }
    const std::string limit = pixelLimitProblem(std::uint64_t(width), std::uint64_t(height), maxPixels);
    if (!limit.empty()) return importRefusal(via, limit);
    // stb_image decodes a TGA into one block whose size must fit in an int.
    if (tga && std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(channels) > 0x7fffffff)
        return importRefusal(via, std::to_string(width) + " x " + std::to_string(height) +
                                      " pixels, more bytes than stb_image decodes at once");
    // Past that, stb_image's TGA reader fails only on a header its test
    // refuses, an empty colour map or memory; with the header taken and every
    // byte the header promises in the file (tgaDataProblem), the pixels are
    // known to read, so a question about readability needs no decode. The
    // import tests and the differential fuzzer hold the two answers equal.
    if (tga && !keepPixels) {
        ImportedImage readable;
        readable.via = via;
        readable.width = width;
        readable.height = height;
        return readable;
    }

    std::unique_ptr<unsigned char, StbFree> samples;
    bool topRowFirst = true;  // stb_image's order, unless told the TGA starts at the top
    if (tga) {
        // tgaDataProblem has checked the header is there.
        TgaAsStored stored(data, size);
        topRowFirst = stored.storedTopDown();
        samples.reset(stbi_load_from_callbacks(stored.callbacks(), &stored, &width, &height, &channels, 0));
    } else if (stbi_is_16_bit_from_memory(data, length)) {
        std::unique_ptr<stbi_us, StbFree> wide(stbi_load_16_from_memory(data, length, &width, &height, &channels, 0));
        if (wide) {
            const std::size_t count = std::size_t(width) * height * channels;
            samples.reset(static_cast<unsigned char*>(stbi__malloc(count ? count : 1)));
            if (samples)
                for (std::size_t i = 0; i < count; ++i) samples.get()[i] = sample16To8(wide.get()[i]);
        }
    } else {
        // HDR files are brought to 8 bits by stb_image (gamma 2.2, clamped).
        samples.reset(stbi_load_from_memory(data, length, &width, &height, &channels, 0));
    }
    if (!samples) return importRefusal(via, std::string("cannot decode: ") + stbi_failure_reason());
    if (channels < 1 || channels > 4) return importRefusal(via, "unexpected channel count " + std::to_string(channels));

    // stb_image hands over every GIF as RGBA; one without transparency is RGB.
    if (startsWith(data, size, "GIF8") && channels == 4) {
        bool opaque = true;
        const std::size_t count = std::size_t(width) * height;
        for (std::size_t i = 0; i < count && opaque; ++i) opaque = samples.get()[4 * i + 3] == 255;
        if (opaque) {
            for (std::size_t i = 0; i < count; ++i) std::memmove(samples.get() + 3 * i, samples.get() + 4 * i, 3);
            channels = 3;
        }
    }
    ImportedImage result;
    result.via = via;
    result.width = width;
    result.height = height;
    if (!keepPixels) return result;
    // Rows handed over top row first are turned over in the same pass; RGB
    // or RGBA rows already bottom row first are kept as they are.
    if (!topRowFirst && (channels == 3 || channels == 4)) {
        result.channels = channels;
        result.pixels.adoptMalloced(samples.release(), std::size_t(width) * height * channels);
    } else {
        result.channels = expandToRgb(samples.get(), width, height, channels, topRowFirst, result.pixels);
    }
    if (tga && (data[17] & 0x10)) mirrorRows(result.pixels.data(), width, height, result.channels);
    return result;
}

}  // namespace tool
