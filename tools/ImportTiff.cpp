// Every TIFF the loaders refuse, through libtiff: compressed, RGB, grey,
// CMYK, big-endian, tiled, 16-bit, with alpha, with its Orientation applied.
//
// Grey, RGB and palette images of unsigned 1-, 2-, 4-, 8- or 16-bit samples
// are read strip by strip (or tile by tile) and converted here by the shared
// rules: libtiff's RGBA reader would premultiply unassociated alpha, which
// loses colour. Everything else (CMYK, CIE Lab, subsampled YCbCr, ...) goes
// through libtiff's RGBA reader, whose output is premultiplied and is
// undone here. JPEG-compressed YCbCr is decoded to RGB by the JPEG codec,
// as other readers do.
#include "ImportReaders.h"
#include "PixelConvert.h"

#if defined(ORNATEX_HAVE_LIBTIFF)

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace tool {

namespace {

const char* const via = "libtiff";

// The file's bytes as libtiff's client I/O.
struct MemoryFile {
    const unsigned char* data;
    toff_t size;
    toff_t at;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->at >= f->size) return 0;
    const toff_t left = f->size - f->at;
    const toff_t take = toff_t(n) < left ? toff_t(n) : left;
    std::memcpy(buf, f->data + f->at, std::size_t(take));
    f->at += take;
    return tmsize_t(take);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    toff_t base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? f->size : 0;
    f->at = base + off;
    return f->at;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int memMap(thandle_t, void**, toff_t*) { return 0; }
void memUnmap(thandle_t, void*, toff_t) {}

// libtiff's first error of this file becomes the refusal's reason; its
// warnings are not ours to print.
int keepError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* text = static_cast<std::string*>(user);
    if (text->empty()) {
        char line[512];
        std::vsnprintf(line, sizeof line, fmt, ap);
        *text = std::string(module ? module : "libtiff") + ": " + line;
        for (char& c : *text)
            if (c == '\n' || c == '\r') c = ' ';
    }
    return 1;
}
int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

// The decoded picture, top row first as stored, before Orientation.
struct Stored {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;
};

// What the directory says about the samples.
struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    std::uint16_t orientation = ORIENTATION_TOPLEFT, compression = COMPRESSION_NONE;
    int colours = 1;       // colour samples a pixel: 3 for RGB, 1 for grey and palette
    int alphaKind = 0;     // EXTRASAMPLE_ASSOCALPHA or EXTRASAMPLE_UNASSALPHA when the first extra sample is alpha
};

// Whether the strip reader below handles the layout; the rest goes to
// libtiff's RGBA reader.
bool plainLayout(const Layout& l) {
    const bool bitsOk = l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || l.bits == 16;
    const bool model = l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE ||
                       l.photometric == PHOTOMETRIC_RGB || (l.photometric == PHOTOMETRIC_PALETTE && l.bits <= 8);
    return bitsOk && model && l.format == SAMPLEFORMAT_UINT && l.samples >= l.colours && l.samples <= 16 &&
           (l.photometric != PHOTOMETRIC_RGB || l.bits >= 8);
}

// The raw rows of every plane, top row first: one plane for contiguous
// samples, `samples` planes for separate ones.
bool readPlanes(TIFF* tif, const Layout& l, std::vector<std::vector<unsigned char>>& planes, std::size_t& rowBytes) {
    const bool separate = l.planar == PLANARCONFIG_SEPARATE;
    const int planeCount = separate ? l.samples : 1;
    const std::uint64_t samplesInRow = std::uint64_t(l.width) * (separate ? 1 : l.samples);
    rowBytes = std::size_t((samplesInRow * l.bits + 7) / 8);
    planes.assign(planeCount, std::vector<unsigned char>(rowBytes * l.height));
    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const tmsize_t tileSize = TIFFTileSize(tif), tileRow = TIFFTileRowSize(tif);
        if (tw == 0 || th == 0 || tileSize <= 0 || tileRow <= 0) return false;
        std::vector<unsigned char> tile(static_cast<std::size_t>(tileSize));
        for (int p = 0; p < planeCount; ++p)
            for (std::uint32_t y0 = 0; y0 < l.height; y0 += th)
                for (std::uint32_t x0 = 0; x0 < l.width; x0 += tw) {
                    if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x0, y0, 0, tstrile_t(p)), tile.data(), tileSize) < 0)
                        return false;
                    // Tile widths are multiples of 16, so x0 starts on a byte.
                    const std::size_t left = std::size_t((std::uint64_t(x0) * (separate ? 1 : l.samples) * l.bits) / 8);
                    const std::size_t take = std::min<std::size_t>(std::size_t(tileRow), rowBytes - left);
                    for (std::uint32_t y = y0; y < l.height && y < y0 + th; ++y)
                        std::memcpy(planes[p].data() + y * rowBytes + left, tile.data() + (y - y0) * tileRow, take);
                }
        return true;
    }
    std::uint32_t rowsPerStrip = l.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > l.height) rowsPerStrip = l.height;
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (stripSize <= 0) return false;
    std::vector<unsigned char> strip(static_cast<std::size_t>(stripSize));
    for (int p = 0; p < planeCount; ++p)
        for (std::uint32_t y0 = 0; y0 < l.height; y0 += rowsPerStrip) {
            const std::uint32_t rows = std::min(rowsPerStrip, l.height - y0);
            const tmsize_t want = tmsize_t(rows * rowBytes);
            if (want > stripSize) return false;
            if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y0, tsample_t(p)), strip.data(), want) < 0) return false;
            std::memcpy(planes[p].data() + std::size_t(y0) * rowBytes, strip.data(), std::size_t(want));
        }
    return true;
}

// One sample, as stored: `bits` wide, from the row's bit position.
unsigned sampleAt(const unsigned char* row, std::uint64_t index, unsigned bits) {
    if (bits == 8) return row[index];
    if (bits == 16) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * index, 2);  // libtiff has put it in host order
        return v;
    }
    const std::uint64_t bit = index * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

unsigned char to8(unsigned v, unsigned bits) {
    if (bits == 16) return sample16To8(std::uint16_t(v));
    if (bits == 8) return static_cast<unsigned char>(v);
    return sampleBitsTo8(v, bits);
}

bool readPlain(TIFF* tif, const Layout& l, Stored& out, std::string& error) {
    std::vector<std::vector<unsigned char>> planes;
    std::size_t rowBytes = 0;
    if (!readPlanes(tif, l, planes, rowBytes)) {
        if (error.empty()) error = "cannot read the image data";
        return false;
    }
    // Palette: 16-bit entries; a map whose entries are all below 256 was
    // written with 8-bit values and is taken as it stands, otherwise the top
    // byte of each entry is kept (as our TIFF decoder reads ColorMaps).
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    const std::size_t mapSize = std::size_t(1) << l.bits;
    unsigned shift = 8;
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
            error = "palette image without a ColorMap";
            return false;
        }
        bool small = true;
        for (std::size_t i = 0; i < mapSize; ++i) small = small && red[i] < 256 && green[i] < 256 && blue[i] < 256;
        if (small) shift = 0;
    }
    const bool separate = l.planar == PLANARCONFIG_SEPARATE;
    out.width = int(l.width);
    out.height = int(l.height);
    out.channels = l.alphaKind ? 4 : 3;
    out.pixels.resize(std::size_t(l.width) * l.height * out.channels);
    if (l.photometric == PHOTOMETRIC_PALETTE && l.bits == 8 && l.samples == 1 && !l.alphaKind) {
        // The common palette image, a byte an index: the map taken to bytes
        // once, then one look-up a pixel.
        unsigned char map[256][3];
        for (std::size_t i = 0; i < 256; ++i) {
            map[i][0] = static_cast<unsigned char>(red[i] >> shift);
            map[i][1] = static_cast<unsigned char>(green[i] >> shift);
            map[i][2] = static_cast<unsigned char>(blue[i] >> shift);
        }
        unsigned char* to = out.pixels.data();
        for (std::uint32_t y = 0; y < l.height; ++y) {
            const unsigned char* row = planes[0].data() + y * rowBytes;
            for (std::uint32_t x = 0; x < l.width; ++x, to += 3) std::memcpy(to, map[row[x]], 3);
        }
        return true;
    }
    const unsigned maxValue = (1u << l.bits) - 1;
    unsigned char* o = out.pixels.data();
    for (std::uint32_t y = 0; y < l.height; ++y)
        for (std::uint32_t x = 0; x < l.width; ++x, o += out.channels) {
            auto sample = [&](int s) {
                if (separate) return sampleAt(planes[s].data() + y * rowBytes, x, l.bits);
                return sampleAt(planes[0].data() + y * rowBytes, std::uint64_t(x) * l.samples + s, l.bits);
            };
            if (l.photometric == PHOTOMETRIC_PALETTE) {
                const unsigned i = sample(0);
                o[0] = static_cast<unsigned char>(red[i] >> shift);
                o[1] = static_cast<unsigned char>(green[i] >> shift);
                o[2] = static_cast<unsigned char>(blue[i] >> shift);
            } else if (l.photometric == PHOTOMETRIC_RGB) {
                for (int c = 0; c < 3; ++c) o[c] = to8(sample(c), l.bits);
            } else {
                unsigned v = sample(0);
                if (l.photometric == PHOTOMETRIC_MINISWHITE) v = maxValue - v;
                o[0] = o[1] = o[2] = to8(v, l.bits);
            }
            if (l.alphaKind) o[3] = to8(sample(l.colours), l.bits);
        }
    if (l.alphaKind == EXTRASAMPLE_ASSOCALPHA) unpremultiplyAlpha(out.pixels.data(), std::size_t(l.width) * l.height);
    return true;
}

// libtiff's RGBA reader: any colour model it knows, rows as stored.
bool readThroughRgba(TIFF* tif, const Layout& l, Stored& out, std::string& error) {
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif, message)) {
        error = message;
        return false;
    }
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif, 0, message)) {
        error = message;
        return false;
    }
    // Rows as stored: orientBottomUp applies Orientation, all eight of them
    // (libtiff's own turns only flip, they never transpose).
    img.req_orientation = l.orientation;
    std::vector<std::uint32_t> raster(std::size_t(l.width) * l.height);
    const int got = TIFFRGBAImageGet(&img, raster.data(), l.width, l.height);
    const int alpha = img.alpha;
    TIFFRGBAImageEnd(&img);
    if (!got) {
        if (error.empty()) error = "cannot read the image data";
        return false;
    }
    out.width = int(l.width);
    out.height = int(l.height);
    out.channels = alpha ? 4 : 3;
    out.pixels.resize(raster.size() * out.channels);
    unsigned char* o = out.pixels.data();
    for (std::uint32_t v : raster) {
        o[0] = TIFFGetR(v);
        o[1] = TIFFGetG(v);
        o[2] = TIFFGetB(v);
        if (alpha) o[3] = TIFFGetA(v);
        o += out.channels;
    }
    // The RGBA reader premultiplies unassociated alpha too.
    if (alpha) unpremultiplyAlpha(out.pixels.data(), raster.size());
    return true;
}

// The picture as the Orientation tag says it is seen, bottom row first.
// Orientations 5 to 8 store columns as rows: the seen picture is the stored
// one transposed (and turned), its width the stored height.
void orientBottomUp(const Stored& s, unsigned orientation, ImportedImage& out) {
    const bool transposed = orientation >= 5 && orientation <= 8;
    const int w = transposed ? s.height : s.width, h = transposed ? s.width : s.height;
    const int ch = s.channels;
    out.width = w;
    out.height = h;
    out.channels = ch;
    out.pixels.resize(s.pixels.size());
    const bool rowsKept = !transposed && orientation != ORIENTATION_TOPRIGHT && orientation != ORIENTATION_BOTRIGHT;
    if (rowsKept) {
        // Each row seen left to right as stored: whole rows move.
        const std::size_t rowBytes = std::size_t(w) * ch;
        for (int y = 0; y < h; ++y) {
            const int sy = orientation == ORIENTATION_BOTLEFT ? s.height - 1 - y : y;
            std::memcpy(out.pixels.data() + std::size_t(h - 1 - y) * rowBytes, s.pixels.data() + std::size_t(sy) * rowBytes,
                        rowBytes);
        }
        return;
    }
    for (int y = 0; y < h; ++y) {          // seen row from the top
        unsigned char* row = out.pixels.data() + std::size_t(h - 1 - y) * w * ch;
        for (int x = 0; x < w; ++x) {      // seen column from the left
            int sy = y, sx = x;            // stored row and column
            switch (orientation) {
                case ORIENTATION_TOPRIGHT: sx = s.width - 1 - x; break;
                case ORIENTATION_BOTRIGHT: sy = s.height - 1 - y; sx = s.width - 1 - x; break;
                case ORIENTATION_BOTLEFT: sy = s.height - 1 - y; break;
                case ORIENTATION_LEFTTOP: sy = x; sx = y; break;
                case ORIENTATION_RIGHTTOP: sy = s.height - 1 - x; sx = y; break;
                case ORIENTATION_RIGHTBOT: sy = s.height - 1 - x; sx = s.width - 1 - y; break;
                case ORIENTATION_LEFTBOT: sy = x; sx = s.width - 1 - y; break;
                default: break;
            }
            std::memcpy(row + std::size_t(x) * ch, s.pixels.data() + (std::size_t(sy) * s.width + sx) * ch, ch);
        }
    }
}

}  // namespace

bool importHasLibtiff() { return true; }

ImportedImage readTiff(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, const std::string&) {
    std::string error;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return importRefusal(via, "no memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepError, &error);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, nullptr);
    // One allocation inside libtiff may hold at most a decoded image at the
    // pixel limit (8 bytes a pixel), so a lying header cannot ask for more.
    const std::uint64_t maxAlloc = maxPixels > (std::uint64_t(1) << 60) ? 0 : maxPixels * 8;
    if (maxAlloc && maxAlloc <= std::uint64_t(PTRDIFF_MAX))
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(maxAlloc));
    MemoryFile file{data, toff_t(size), 0};
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("TIFF", "rm", &file, memRead, memWrite, memSeek, memClose,
                                                            memSize, memMap, memUnmap, options.get()));
    if (!tif) return importRefusal(via, error.empty() ? "cannot open the TIFF" : error);

    Layout l;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &l.width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &l.height))
        return importRefusal(via, "TIFF without ImageWidth or ImageLength");
    const std::string limit = pixelLimitProblem(l.width, l.height, maxPixels);
    if (!limit.empty()) return importRefusal(via, limit);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &l.orientation);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &l.compression);
    if (!TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR) {
        // The JPEG codec turns YCbCr into RGB itself.
        TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        l.photometric = PHOTOMETRIC_RGB;
    }
    l.colours = l.photometric == PHOTOMETRIC_RGB ? 3 : 1;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) && extraCount > 0 &&
        l.samples > l.colours && (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA))
        l.alphaKind = extraKinds[0];

    Stored stored;
    bool read = false;
    try {
        read = plainLayout(l) ? readPlain(tif.get(), l, stored, error) : readThroughRgba(tif.get(), l, stored, error);
    } catch (const std::bad_alloc&) {
        return importRefusal(via, "no memory for the decoded image");
    }
    if (!read) return importRefusal(via, error.empty() ? "cannot read the image data" : error);
    ImportedImage result;
    result.via = via;
    orientBottomUp(stored, l.orientation, result);
    return result;
}

}  // namespace tool

#else  // no libtiff in this build

namespace tool {

bool importHasLibtiff() { return false; }

ImportedImage readTiff(const unsigned char*, std::size_t, std::uint64_t, const std::string& ourReason) {
    return importRefusal("ornatex", ourReason + "; reading it needs libtiff, which this build does not have");
}

}  // namespace tool

#endif
