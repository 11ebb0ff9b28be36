#include "TiffEncoder.h"

#include <cstdint>
#include <unordered_map>
#include <algorithm>

namespace tool {

namespace {

constexpr int paletteSize = 256;
constexpr std::size_t stripTarget = 8192;  // bytes a strip, as TIFF writers commonly choose
constexpr std::uint32_t typeShort = 3, typeLong = 4;

struct Palette {
    std::uint32_t colours[paletteSize] = {};  // 0xRRGGBB, in order of first appearance
    int count = 0;
};

std::uint32_t rgbAt(const unsigned char* p) { return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]; }

// The palette index of every pixel, top row first; false when the picture
// has more than 256 colours.
bool indexPixels(const PixelView& image, Palette& palette, std::vector<unsigned char>& indices) {
    std::unordered_map<std::uint32_t, unsigned char> index;
    index.reserve(2 * paletteSize);
    indices.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    unsigned char* out = indices.data();
    bool haveLast = false;
    std::uint32_t last = 0;
    unsigned char lastIndex = 0;
    for (int r = 0; r < image.height; ++r) {
        const unsigned char* p = image.row(image.height - 1 - r);
        for (int x = 0; x < image.width; ++x, p += image.channels) {
            const std::uint32_t rgb = rgbAt(p);
            if (!haveLast || rgb != last) {  // neighbours mostly share a colour
                auto found = index.find(rgb);
                if (found == index.end()) {
                    if (palette.count == paletteSize) return false;
                    palette.colours[palette.count] = rgb;
                    found = index.emplace(rgb, static_cast<unsigned char>(palette.count++)).first;
                }
                haveLast = true;
                last = rgb;
                lastIndex = found->second;
            }
            *out++ = lastIndex;
        }
    }
    return true;
}

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::vector<unsigned char>& file) : file_(file) {}
    void shortAt(std::size_t at, std::uint32_t v) {
        file_[at] = static_cast<unsigned char>(v & 0xff);
        file_[at + 1] = static_cast<unsigned char>((v >> 8) & 0xff);
    }
    void longAt(std::size_t at, std::uint32_t v) {
        shortAt(at, v & 0xffff);
        shortAt(at + 2, v >> 16);
    }

private:
    std::vector<unsigned char>& file_;
};

}  // namespace

std::string encodeTiff(const PixelView& image, std::vector<unsigned char>& file) {
    if (hasTransparency(image))
        return "the picture has transparent pixels, which a palette TIFF cannot hold; write tga or sgi instead";
    Palette palette;
    std::vector<unsigned char> indices;
    if (!indexPixels(image, palette, indices))
        return "the picture has more than 256 colours, which a palette TIFF cannot hold without merging colours; "
               "write tga or sgi instead";

    const std::uint32_t width = static_cast<std::uint32_t>(image.width);
    const std::uint32_t height = static_cast<std::uint32_t>(image.height);
    const std::uint32_t rowsPerStrip =
        static_cast<std::uint32_t>(std::max<std::size_t>(1, std::min<std::size_t>(height, stripTarget / width)));
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;

    // Layout: header, directory, the strip arrays (when they do not fit in
    // their entries), the ColorMap, then the strips.
    constexpr int entries = 10;
    const std::size_t directory = 8;
    const std::size_t directoryEnd = directory + 2 + 12 * entries + 4;
    const bool inlineArrays = strips == 1;
    const std::size_t offsetsAt = directoryEnd;
    const std::size_t countsAt = offsetsAt + (inlineArrays ? 0 : 4 * std::size_t(strips));
    const std::size_t mapAt = countsAt + (inlineArrays ? 0 : 4 * std::size_t(strips));
    const std::size_t pixelsAt = mapAt + 2 * 3 * paletteSize;
    if (std::uint64_t(pixelsAt) + indices.size() > 0xffffffffu) return "the file would exceed 4 GiB, which TIFF cannot address";
    file.assign(pixelsAt + indices.size(), 0);
    LittleEndianWriter put(file);
    file[0] = 'I';
    file[1] = 'I';
    put.shortAt(2, 42);
    put.longAt(4, static_cast<std::uint32_t>(directory));

    put.shortAt(directory, entries);
    std::size_t entry = directory + 2;
    auto addEntry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t value) {
        put.shortAt(entry, tag);
        put.shortAt(entry + 2, type);
        put.longAt(entry + 4, count);
        // A SHORT value lies in the field's first two bytes; the others stay 0.
        if (type == typeShort && count == 1)
            put.shortAt(entry + 8, value);
        else
            put.longAt(entry + 8, value);
        entry += 12;
    };
    const std::uint32_t firstStrip = static_cast<std::uint32_t>(pixelsAt);
    const std::uint32_t stripBytes = rowsPerStrip * width;
    addEntry(256, typeLong, 1, width);                   // ImageWidth
    addEntry(257, typeLong, 1, height);                  // ImageLength
    addEntry(258, typeShort, 1, 8);                      // BitsPerSample
    addEntry(259, typeShort, 1, 1);                      // Compression: none
    addEntry(262, typeShort, 1, 3);                      // PhotometricInterpretation: palette
    addEntry(273, typeLong, strips, inlineArrays ? firstStrip : static_cast<std::uint32_t>(offsetsAt));
    addEntry(277, typeShort, 1, 1);                      // SamplesPerPixel
    addEntry(278, typeLong, 1, rowsPerStrip);            // RowsPerStrip
    addEntry(279, typeLong, strips, inlineArrays ? static_cast<std::uint32_t>(indices.size())
                                                  : static_cast<std::uint32_t>(countsAt));
    addEntry(320, typeShort, 3 * paletteSize, static_cast<std::uint32_t>(mapAt));  // ColorMap
    // The next-directory offset after the entries stays 0: one image.

    if (!inlineArrays) {
        for (std::uint32_t k = 0; k < strips; ++k) {
            const std::uint32_t rows = std::min(rowsPerStrip, height - k * rowsPerStrip);
            put.longAt(offsetsAt + 4 * std::size_t(k), firstStrip + k * stripBytes);
            put.longAt(countsAt + 4 * std::size_t(k), rows * width);
        }
    }
    // Red, green, blue thirds of 16-bit entries: v x 257 maps 0..255 onto 0..65535.
    for (int k = 0; k < palette.count; ++k)
        for (int channel = 0; channel < 3; ++channel) {
            const std::uint32_t v = (palette.colours[k] >> (16 - 8 * channel)) & 0xff;
            put.shortAt(mapAt + 2 * (std::size_t(channel) * paletteSize + std::size_t(k)), v * 257);
        }
    std::copy(indices.begin(), indices.end(), file.begin() + static_cast<std::ptrdiff_t>(pixelsAt));
    return std::string();
}

}  // namespace tool
