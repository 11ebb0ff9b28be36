// PNG through libpng (with zlib, whose inflate is much faster than
// stb_image's own), giving the pixels stb_image gave: grey copied into red,
// green and blue; a palette expanded, with alpha when there is a tRNS chunk;
// a tRNS colour key made alpha; bit depths under 8 scaled to 0..255 for
// grey and taken as indices for palettes; 16-bit samples rounded to nearest,
// (v * 255 + 32767) / 65535, which is what libpng's scaling computes
// ((v * 255 + 32895) >> 16 equals it for every v); interlaced images put
// together. No gamma or colour-profile conversion is applied. As with
// stb_image, chunk CRCs and the image data's Adler-32 are not checked, and a palette index past the PLTE
// chunk's entries reads black (libpng's palette is padded with black).
//
// Rows are decoded straight into their place, bottom row first. Where the
// build has libdeflate, the image data is inflated by it first
// (PngPreinflate.h).
#include "ImportReaders.h"

#if defined(ORNATEX_HAVE_LIBPNG)

#include <png.h>

#if defined(ORNATEX_HAVE_LIBDEFLATE)
#include "PngPreinflate.h"
#else
namespace tool {
// Without libdeflate libpng reads every file as it is.
class PngPreinflate {
public:
    bool prepare(const unsigned char*, std::size_t, std::uint64_t) { return false; }
    std::size_t read(unsigned char*, std::size_t) { return 0; }
};
}  // namespace tool
#endif

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace tool {

namespace {

const char* const via = "libpng";

// What the libpng callbacks share. Plain data only: libpng leaves a failed
// decode by longjmp, which must not skip a destructor.
struct PngReading {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
    char error[200];
    PngPreinflate* preinflated;  // the file with its image data inflated ahead, or null
};

void readBytes(png_structp png, png_bytep out, png_size_t want) {
    auto* r = static_cast<PngReading*>(png_get_io_ptr(png));
    if (r->preinflated) {
        if (r->preinflated->read(out, want) != want) png_error(png, "the file ends before the image does");
        return;
    }
    if (want > r->size - r->at) png_error(png, "the file ends before the image does");
    std::memcpy(out, r->data + r->at, want);
    r->at += want;
}

void keepError(png_structp png, png_const_charp message) {
    auto* r = static_cast<PngReading*>(png_get_error_ptr(png));
    std::snprintf(r->error, sizeof r->error, "%s", message ? message : "decode failed");
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The header, checked against the pixel limit, then the transformations.
// Returns the output's channel count (3 or 4), or 0 with the reason in
// `limit` when the image is over the limit.
int prepare(png_structp png, png_infop info, std::uint64_t maxPixels, std::string* limit) {
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    *limit = pixelLimitProblem(width, height, maxPixels);
    if (!limit->empty()) return 0;
    const int colour = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_scale_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_channels(png, info);
}

// The decode itself, between setjmp and the last libpng call: only plain
// locals here. `rows` and `out` are filled from outside this frame. Without
// keepPixels every row is decoded into `scratch`, one row long.
bool decode(png_structp png, png_infop info, std::uint64_t maxPixels, bool keepPixels, std::string& limit,
            std::vector<png_bytep>& rows, std::vector<unsigned char>& scratch, ImportedImage& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int channels = prepare(png, info, maxPixels, &limit);
    if (channels == 0) return false;
    if (channels != 3 && channels != 4) png_error(png, "unexpected channel count after conversion");
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(channels);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row size after conversion");
    rows.resize(height);  // these allocations throw std::bad_alloc, not longjmp
    if (keepPixels) {
        unsigned char* pixels = out.pixels.allocate(rowBytes * height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + std::size_t(height - 1 - y) * rowBytes;
    } else {
        scratch.resize(rowBytes);
        std::fill(rows.begin(), rows.end(), scratch.data());
    }
    png_read_image(png, rows.data());
    out.width = int(width);
    out.height = int(height);
    out.channels = keepPixels ? channels : 0;
    return true;
}

}  // namespace

bool importHasLibpng() { return true; }

ImportedImage readPng(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels) {
    PngPreinflate preinflated;
    bool ahead = false;
    try {
        ahead = preinflated.prepare(data, size, maxPixels);
    } catch (const std::bad_alloc&) {
        ahead = false;  // libpng reads the file as it is, needing less
    }
    PngReading reading{data, size, 0, "", ahead ? &preinflated : nullptr};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, keepError, ignoreWarning);
    if (!png) return importRefusal(via, "no memory");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return importRefusal(via, "no memory");
    }
    png_set_read_fn(png, &reading, readBytes);
    // stb_image checked no CRC; a file whose checksums are wrong but whose
    // data is whole is read, as it was. Problems libpng can read past
    // (a palette index past the palette, data after the image) are warnings.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#if defined(PNG_IGNORE_ADLER32)
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);  // nor the image data's checksum
#endif
    png_set_benign_errors(png, 1);
    // The pixel limit is the check that counts; libpng's own would refuse
    // first with a reason of its own.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);

    ImportedImage result;
    result.via = via;
    std::string limit;
    std::vector<png_bytep> rows;
    std::vector<unsigned char> scratch;
    bool read = false;
    try {
        read = decode(png, info, maxPixels, keepPixels, limit, rows, scratch, result);
    } catch (const std::bad_alloc&) {
        png_destroy_read_struct(&png, &info, nullptr);
        return importRefusal(via, "no memory for the decoded image");
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!limit.empty()) return importRefusal(via, limit);
    if (!read)
        return importRefusal(via, std::string("cannot decode: ") + (reading.error[0] ? reading.error : "decode failed"));
    return result;
}

}  // namespace tool

#else  // no libpng in this build: PNG goes to stb_image

namespace tool {

bool importHasLibpng() { return false; }

ImportedImage readPng(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels) {
    return readWithStb(data, size, maxPixels, keepPixels);
}

}  // namespace tool

#endif
