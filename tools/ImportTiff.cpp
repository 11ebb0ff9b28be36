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
#include <system_error>
#include <thread>
#include <vector>

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

// The ColorMap of a palette image, as the rows are converted with it.
struct Palette {
    const std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    unsigned shift = 8;
};

// Palette: 16-bit entries; a map whose entries are all below 256 was
// written with 8-bit values and is taken as it stands, otherwise the top
// byte of each entry is kept (as our TIFF decoder reads ColorMaps).
bool readPalette(TIFF* tif, const Layout& l, Palette& palette, std::string& error) {
    if (l.photometric != PHOTOMETRIC_PALETTE) return true;
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
        error = "palette image without a ColorMap";
        return false;
    }
    const std::size_t mapSize = std::size_t(1) << l.bits;
    bool small = true;
    for (std::size_t i = 0; i < mapSize; ++i) small = small && red[i] < 256 && green[i] < 256 && blue[i] < 256;
    palette = Palette{red, green, blue, small ? 0u : 8u};
    return true;
}

// One row of stored samples to 8-bit RGB or RGBA (`channels`), left to
// right as stored. `planes` holds the row of each plane: one for contiguous
// samples, `samples` for separate ones. 8-bit contiguous rows, the common
// case, are copied without a call a sample.
void convertRow(const Layout& l, const Palette& palette, const unsigned char* const* planes, int channels,
                unsigned char* out) {
    unsigned char* o = out;
    const bool separate = l.planar == PLANARCONFIG_SEPARATE;
    const std::uint32_t width = l.width;
    if (!separate && l.bits == 8 && l.photometric == PHOTOMETRIC_RGB) {
        const unsigned char* in = planes[0];
        if (l.samples == channels) {
            std::memcpy(o, in, std::size_t(width) * channels);
        } else {
            const unsigned step = l.samples;
            for (std::uint32_t x = 0; x < width; ++x, in += step, o += channels) {
                o[0] = in[0];
                o[1] = in[1];
                o[2] = in[2];
                if (channels == 4) o[3] = in[3];
            }
        }
    } else if (!separate && l.bits == 8 && l.photometric == PHOTOMETRIC_PALETTE) {
        const unsigned char* in = planes[0];
        const unsigned step = l.samples, shift = palette.shift;
        for (std::uint32_t x = 0; x < width; ++x, in += step, o += channels) {
            const unsigned i = in[0];
            o[0] = static_cast<unsigned char>(palette.red[i] >> shift);
            o[1] = static_cast<unsigned char>(palette.green[i] >> shift);
            o[2] = static_cast<unsigned char>(palette.blue[i] >> shift);
            if (channels == 4) o[3] = in[1];
        }
    } else {
        const unsigned maxValue = (1u << l.bits) - 1;
        for (std::uint32_t x = 0; x < width; ++x, o += channels) {
            auto sample = [&](int s) {
                if (separate) return sampleAt(planes[s], x, l.bits);
                return sampleAt(planes[0], std::uint64_t(x) * l.samples + s, l.bits);
            };
            if (l.photometric == PHOTOMETRIC_PALETTE) {
                const unsigned i = sample(0);
                o[0] = static_cast<unsigned char>(palette.red[i] >> palette.shift);
                o[1] = static_cast<unsigned char>(palette.green[i] >> palette.shift);
                o[2] = static_cast<unsigned char>(palette.blue[i] >> palette.shift);
            } else if (l.photometric == PHOTOMETRIC_RGB) {
                for (int c = 0; c < 3; ++c) o[c] = to8(sample(c), l.bits);
            } else {
                unsigned v = sample(0);
                if (l.photometric == PHOTOMETRIC_MINISWHITE) v = maxValue - v;
                o[0] = o[1] = o[2] = to8(v, l.bits);
            }
            if (channels == 4) o[3] = to8(sample(l.colours), l.bits);
        }
    }
    if (l.alphaKind == EXTRASAMPLE_ASSOCALPHA) unpremultiplyAlpha(out, width);
}

bool readPlain(TIFF* tif, const Layout& l, Stored& out, std::string& error) {
    std::vector<std::vector<unsigned char>> planes;
    std::size_t rowBytes = 0;
    if (!readPlanes(tif, l, planes, rowBytes)) {
        if (error.empty()) error = "cannot read the image data";
        return false;
    }
    Palette palette;
    if (!readPalette(tif, l, palette, error)) return false;
    out.width = int(l.width);
    out.height = int(l.height);
    out.channels = l.alphaKind ? 4 : 3;
    out.pixels.resize(std::size_t(l.width) * l.height * out.channels);
    std::vector<const unsigned char*> rows(planes.size());
    for (std::uint32_t y = 0; y < l.height; ++y) {
        for (std::size_t p = 0; p < planes.size(); ++p) rows[p] = planes[p].data() + y * rowBytes;
        convertRow(l, palette, rows.data(), out.channels,
                   out.pixels.data() + std::size_t(y) * l.width * out.channels);
    }
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
    out.pixels.allocate(s.pixels.size());
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

// One libtiff handle on the file's bytes, with its own reading position
// and its own first error: several can read one file at once.
struct Handle {
    MemoryFile file{nullptr, 0, 0};
    std::string error;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options;
    std::unique_ptr<TIFF, TiffCloser> tif;

    bool open(const unsigned char* data, std::size_t size, std::uint64_t maxPixels) {
        options.reset(TIFFOpenOptionsAlloc());
        if (!options) {
            error = "no memory";
            return false;
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepError, &error);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, nullptr);
        // One allocation inside libtiff may hold at most a decoded image at
        // the pixel limit (8 bytes a pixel), so a lying header cannot ask
        // for more.
        const std::uint64_t maxAlloc = maxPixels > (std::uint64_t(1) << 60) ? 0 : maxPixels * 8;
        if (maxAlloc && maxAlloc <= std::uint64_t(PTRDIFF_MAX))
            TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(maxAlloc));
        file = MemoryFile{data, toff_t(size), 0};
        tif.reset(TIFFClientOpenExt("TIFF", "rm", &file, memRead, memWrite, memSeek, memClose, memSize, memMap,
                                    memUnmap, options.get()));
        if (!tif) {
            if (error.empty()) error = "cannot open the TIFF";
            return false;
        }
        std::uint16_t compression = COMPRESSION_NONE, photometric = 0;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
        if (compression == COMPRESSION_JPEG && TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) &&
            photometric == PHOTOMETRIC_YCBCR)
            TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        return true;
    }
};

// Contiguous samples in strips, with an Orientation that keeps stored rows
// as rows of the picture (1 to 4: at most flipped or mirrored): each strip
// can be converted straight into its place in the output.
bool rowsStayRows(TIFF* tif, const Layout& l) {
    return !TIFFIsTiled(tif) && (l.planar == PLANARCONFIG_CONTIG || l.samples == 1) &&
           l.orientation >= ORIENTATION_TOPLEFT && l.orientation <= ORIENTATION_BOTLEFT;
}

// Below this many pixels one thread reads the whole image: a second handle
// and a thread cost more than they save.
constexpr std::uint64_t pixelsWorthAThread = std::uint64_t(1) << 20;

// Decodes the strips into `out`, bottom row first, each row converted and
// put where the Orientation shows it; without keepPixels the strips are
// decoded and dropped. Large images are read on every core, each thread
// with its own handle on a run of strips. On failure `first`'s error (or a
// helper's) says why.
bool readStripsInPlace(Handle& first, const Layout& l, const unsigned char* data, std::size_t size,
                       std::uint64_t maxPixels, bool keepPixels, ImportedImage& out) {
    TIFF* const tif = first.tif.get();
    std::uint32_t rowsPerStrip = l.height;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > l.height) rowsPerStrip = l.height;
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (stripSize <= 0) return false;
    const std::size_t rowBytes = std::size_t((std::uint64_t(l.width) * l.samples * l.bits + 7) / 8);
    Palette palette;
    if (!readPalette(tif, l, palette, first.error)) return false;
    const std::uint32_t strips = (l.height - 1) / rowsPerStrip + 1;
    out.width = int(l.width);
    out.height = int(l.height);
    out.channels = keepPixels ? (l.alphaKind ? 4 : 3) : 0;
    if (keepPixels) out.pixels.allocate(std::size_t(l.width) * l.height * out.channels);
    const bool flipped = l.orientation == ORIENTATION_BOTRIGHT || l.orientation == ORIENTATION_BOTLEFT;
    const bool mirrored = l.orientation == ORIENTATION_TOPRIGHT || l.orientation == ORIENTATION_BOTRIGHT;
    const std::size_t outRowBytes = std::size_t(l.width) * out.channels;

    // Strips [first, end) through one handle; false on the first bad strip.
    auto readRun = [&](TIFF* handle, std::uint32_t first, std::uint32_t end) {
        std::vector<unsigned char> strip(static_cast<std::size_t>(stripSize));
        for (std::uint32_t s = first; s < end; ++s) {
            const std::uint32_t y0 = s * rowsPerStrip, rows = std::min(rowsPerStrip, l.height - y0);
            const tmsize_t want = tmsize_t(rows * rowBytes);
            if (want > stripSize || TIFFReadEncodedStrip(handle, s, strip.data(), want) < 0) return false;
            for (std::uint32_t r = 0; r < rows && keepPixels; ++r) {
                const std::uint32_t stored = y0 + r;  // from the top of the file
                const std::uint32_t fromTop = flipped ? l.height - 1 - stored : stored;
                unsigned char* row = out.pixels.data() + std::size_t(l.height - 1 - fromTop) * outRowBytes;
                const unsigned char* in = strip.data() + std::size_t(r) * rowBytes;
                convertRow(l, palette, &in, out.channels, row);
                if (mirrored) mirrorRows(row, int(l.width), 1, out.channels);
            }
        }
        return true;
    };

    unsigned threads = 1;
    if (std::uint64_t(l.width) * l.height >= pixelsWorthAThread)
        threads = std::min<unsigned>({std::max(1u, std::thread::hardware_concurrency()), strips, 8u});
    // Each helper opens its own handle; one that cannot leaves its share to
    // fewer threads.
    std::vector<std::unique_ptr<Handle>> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        std::unique_ptr<Handle> helper(new Handle);
        if (!helper->open(data, size, maxPixels)) break;
        helpers.push_back(std::move(helper));
    }
    threads = unsigned(helpers.size()) + 1;
    const auto runStart = [&](unsigned t) { return std::uint32_t(std::uint64_t(strips) * t / threads); };
    std::vector<char> done(threads, 0);
    std::vector<std::thread> running;
    for (unsigned t = 1; t < threads; ++t) {
        TIFF* const handle = helpers[t - 1]->tif.get();
        const auto job = [&, handle, t] { done[t] = readRun(handle, runStart(t), runStart(t + 1)); };
        try {
            running.emplace_back(job);
        } catch (const std::system_error&) {
            job();  // no thread to be had: read that run here
        }
    }
    done[0] = readRun(tif, runStart(0), runStart(1));
    for (std::thread& t : running) t.join();
    for (unsigned t = 1; t < threads; ++t)
        if (!done[t] && first.error.empty()) first.error = helpers[t - 1]->error;
    return std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; });
}

}  // namespace

bool importHasLibtiff() { return true; }

ImportedImage readTiff(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels,
                       const std::string&) {
    Handle first;
    if (!first.open(data, size, maxPixels)) return importRefusal(via, first.error);
    TIFF* const tif = first.tif.get();
    Layout l;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height))
        return importRefusal(via, "TIFF without ImageWidth or ImageLength");
    const std::string limit = pixelLimitProblem(l.width, l.height, maxPixels);
    if (!limit.empty()) return importRefusal(via, limit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    // The JPEG codec turns YCbCr into RGB itself (Handle::open asks it to).
    if (l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR) l.photometric = PHOTOMETRIC_RGB;
    l.colours = l.photometric == PHOTOMETRIC_RGB ? 3 : 1;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) && extraCount > 0 &&
        l.samples > l.colours && (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA))
        l.alphaKind = extraKinds[0];

    std::string& error = first.error;
    ImportedImage result;
    result.via = via;
    Stored stored;
    bool read = false;
    try {
        if (plainLayout(l) && rowsStayRows(tif, l)) {
            read = readStripsInPlace(first, l, data, size, maxPixels, keepPixels, result);
        } else {
            read = plainLayout(l) ? readPlain(tif, l, stored, error) : readThroughRgba(tif, l, stored, error);
            if (read && keepPixels) orientBottomUp(stored, l.orientation, result);
            if (read && !keepPixels) {
                const bool transposed = l.orientation >= ORIENTATION_LEFTTOP && l.orientation <= ORIENTATION_LEFTBOT;
                result.width = int(transposed ? l.height : l.width);
                result.height = int(transposed ? l.width : l.height);
            }
        }
    } catch (const std::bad_alloc&) {
        return importRefusal(via, "no memory for the decoded image");
    }
    if (!read) return importRefusal(via, error.empty() ? "cannot read the image data" : error);
    return result;
}

}  // namespace tool

#else  // no libtiff in this build

namespace tool {

bool importHasLibtiff() { return false; }

ImportedImage readTiff(const unsigned char*, std::size_t, std::uint64_t, bool, const std::string& ourReason) {
    return importRefusal("ornatex", ourReason + "; reading it needs libtiff, which this build does not have");
}

}  // namespace tool

#endif
