#include "DifferentialRun.h"

#include <ornatex/decode.h>
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ImageImport.h"

#define STBI_ONLY_TGA
#include "StbImageImplementation.h"

namespace fuzz {

namespace {

// A pixel limit that keeps a run fast.
constexpr std::uint64_t maxPixels = std::uint64_t(1) << 16;

// The reference's pixels, bottom row first, 3 or 4 bytes a pixel.
struct Reference {
    bool ok = false;
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;
};

[[noreturn]] void disagree(const char* what, int x, int y, int ours, int theirs) {
    std::fprintf(stderr, "differential: %s at pixel (%d, %d) from the bottom: ours %d, reference %d\n", what, x, y,
                 ours, theirs);
    std::abort();
}

Reference stbTga(const std::uint8_t* data, std::size_t size) {
    Reference ref;
    int w = 0, h = 0, c = 0;
    if (size < 18 || !stbi_info_from_memory(data, int(size), &w, &h, &c)) return ref;
    if (std::uint64_t(w) * h > maxPixels) return ref;
    unsigned char* p = stbi_load_from_memory(data, int(size), &w, &h, &c, 0);
    if (!p) return ref;
    if (c == 3 || c == 4) {
        ref.ok = true;
        ref.width = w;
        ref.height = h;
        ref.channels = c;
        ref.pixels.resize(std::size_t(w) * h * c);
        const bool mirrored = data[17] & 0x10;
        for (int y = 0; y < h; ++y)  // stb_image: top row first
            for (int x = 0; x < w; ++x)
                std::memcpy(&ref.pixels[(std::size_t(h - 1 - y) * w + x) * c],
                            p + (std::size_t(y) * w + (mirrored ? w - 1 - x : x)) * c, c);
    }
    stbi_image_free(p);
    return ref;
}

struct MemoryFile {
    const std::uint8_t* data;
    toff_t size, at;
};
tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->at >= f->size) return 0;
    const toff_t take = std::min<toff_t>(toff_t(n), f->size - f->at);
    std::memcpy(buf, f->data + f->at, take);
    f->at += take;
    return tmsize_t(take);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    f->at = (whence == SEEK_CUR ? f->at : whence == SEEK_END ? f->size : 0) + off;
    return f->at;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }
int noteWarning(TIFF*, void* warned, const char*, const char*, va_list) {
    *static_cast<bool*>(warned) = true;
    return 1;
}

Reference libtiffRgba(const std::uint8_t* data, std::size_t size) {
    Reference ref;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    bool warned = false;
    TIFFOpenOptionsSetWarningHandlerExtR(options, noteWarning, &warned);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, 64 << 20);
    MemoryFile file{data, toff_t(size), 0};
    TIFF* tif = TIFFClientOpenExt("fuzz", "rm", &file, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap,
                                  options);
    TIFFOpenOptionsFree(options);
    if (!tif) return ref;
    std::uint32_t w = 0, h = 0;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    // Our loader lays the strips out by their byte counts and takes the
    // later of two equal tags, as its format description says; libtiff goes
    // by RowsPerStrip and the first tag. Files where these differ are
    // malformed, and not compared.
    std::uint16_t photometric = 0;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    bool consistent = !warned && photometric == PHOTOMETRIC_PALETTE && !TIFFIsTiled(tif);
    std::uint64_t* counts = nullptr;
    if (consistent && TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts) {
        std::uint32_t rowsPerStrip = h;
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        const std::uint32_t strips = TIFFNumberOfStrips(tif);
        for (std::uint32_t s = 0; s < strips && consistent; ++s) {
            const std::uint64_t rows = rowsPerStrip == 0 ? 0 : std::min<std::uint64_t>(rowsPerStrip, h - std::min<std::uint64_t>(h, std::uint64_t(s) * rowsPerStrip));
            consistent = counts[s] == rows * w;
        }
    } else {
        consistent = false;
    }
    char message[1024];
    if (consistent && w && h && std::uint64_t(w) * h <= maxPixels && orientation == ORIENTATION_TOPLEFT && TIFFRGBAImageOK(tif, message)) {
        std::vector<std::uint32_t> raster(std::size_t(w) * h);
        if (TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_BOTLEFT, 0)) {
            ref.ok = true;
            ref.width = int(w);
            ref.height = int(h);
            ref.channels = 3;
            for (std::uint32_t v : raster) {
                ref.pixels.push_back(TIFFGetR(v));
                ref.pixels.push_back(TIFFGetG(v));
                ref.pixels.push_back(TIFFGetB(v));
            }
        }
    }
    TIFFClose(tif);
    return ref;
}

void compare(const ornatex::Image& ours, const Reference& ref) {
    const int channels = ours.format() == texRGBA ? 4 : 3;
    if (ours.width() != ref.width || ours.height() != ref.height) disagree("size", ours.width(), ours.height(), ref.width, ref.height);
    const int common = std::min(channels, ref.channels);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            const unsigned char* a = ours.pixels() + (std::size_t(y) * ref.width + x) * channels;
            const unsigned char* b = ref.pixels.data() + (std::size_t(y) * ref.width + x) * ref.channels;
            for (int c = 0; c < common; ++c)
                if (a[c] != b[c]) disagree("sample", x, y, a[c], b[c]);
        }
}

}  // namespace

bool runDifferential(const std::uint8_t* data, std::size_t size) {
    static const bool quietGlobal = [] {  // libtiff's global handlers, for TIFFRGBAImageOK's own messages
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)quietGlobal;
    tool::ImportOptions options;
    options.limits.maxPixels = maxPixels;
    const tool::ImportedImage imported = tool::importImage(data, size, options);
    if (imported.ok()) {
        if ((imported.channels != 3 && imported.channels != 4) ||
            imported.pixels.size() != std::size_t(imported.width) * imported.height * imported.channels)
            disagree("imported image shape", imported.width, imported.height, imported.channels, int(imported.pixels.size()));
    } else if (imported.error.empty() || imported.error.find('\n') != std::string::npos) {
        disagree("import error line", 0, 0, 0, 0);
    }
    // check's question, whether the file imports, asked without pixels.
    options.keepPixels = false;
    const tool::ImportedImage readable = tool::importImage(data, size, options);
    if (readable.error != imported.error || (imported.ok() && (readable.width != imported.width ||
                                                               readable.height != imported.height)))
        disagree("readability", readable.width, readable.height, imported.width, imported.height);

    ornatex::DecodeLimits limits;
    limits.maxPixels = maxPixels;
    const ornatex::Image ours = ornatex::decode(data, size, limits);
    if (!ours.ok()) return false;
    const ornatex::ImageFormat format = ornatex::formatOf(data, size);
    Reference ref;
    if (format == ornatex::ImageFormat::tga) ref = stbTga(data, size);
    else if (format == ornatex::ImageFormat::tiff) ref = libtiffRgba(data, size);
    if (!ref.ok) return false;
    compare(ours, ref);
    return true;
}

}  // namespace fuzz
