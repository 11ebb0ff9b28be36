// Builds little-endian TIFF files for the TIFF loader tests: data blocks are
// appended after the 8-byte header, the directory goes last.
#pragma once

#include <cstdint>
#include <vector>

namespace loadertest {

using Bytes = std::vector<unsigned char>;

constexpr std::uint16_t tiffShort = 3;
constexpr std::uint16_t tiffLong = 4;

class TiffBuilder {
public:
    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count, value;
    };

    TiffBuilder() : file(8, 0) {}

    std::uint32_t append(const Bytes& bytes) {
        const auto offset = static_cast<std::uint32_t>(file.size());
        file.insert(file.end(), bytes.begin(), bytes.end());
        return offset;
    }
    std::uint32_t appendShorts(const std::vector<std::uint32_t>& values) {
        Bytes b;
        for (std::uint32_t v : values) put(b, v, 2);
        return append(b);
    }
    std::uint32_t appendLongs(const std::vector<std::uint32_t>& values) {
        Bytes b;
        for (std::uint32_t v : values) put(b, v, 4);
        return append(b);
    }
    // An array entry: stored in the value field when it fits in four bytes,
    // as TIFF requires, otherwise appended and pointed to.
    void array(std::uint16_t tag, std::uint16_t type, const std::vector<std::uint32_t>& values) {
        const std::size_t size = type == tiffShort ? 2 : 4;
        std::uint32_t value;
        if (values.size() * size <= 4) {
            Bytes b;
            for (std::uint32_t v : values) put(b, v, size);
            b.resize(4, 0);
            value = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
        } else {
            value = type == tiffShort ? appendShorts(values) : appendLongs(values);
        }
        entry(tag, type, static_cast<std::uint32_t>(values.size()), value);
    }
    void entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        entries.push_back({tag, type, count, value});
    }

    // Writes the directory (entries in the order given) and the header.
    Bytes finish(std::uint16_t mark = 0x4949, std::uint16_t version = 42) {
        Bytes out = file;
        const auto ifd = static_cast<std::uint32_t>(out.size());
        put(out, static_cast<std::uint32_t>(entries.size()), 2);
        for (const Entry& e : entries) {
            put(out, e.tag, 2);
            put(out, e.type, 2);
            put(out, e.count, 4);
            put(out, e.value, 4);
        }
        put(out, 0, 4);
        Bytes head;
        put(head, mark, 2);
        put(head, version, 2);
        put(head, ifd, 4);
        std::copy(head.begin(), head.end(), out.begin());
        return out;
    }

    static void put(Bytes& b, std::uint32_t v, std::size_t n) {
        for (std::size_t k = 0; k < n; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
    }

    Bytes file;
    std::vector<Entry> entries;
};

// A palette image in one strip: the indices, then ImageWidth, ImageLength,
// PhotometricInterpretation, StripOffsets and StripByteCounts, in that
// order. The caller adds the ColorMap.
inline TiffBuilder oneStripTiff(const Bytes& indices, std::uint32_t width, std::uint32_t height,
                                std::uint32_t photometric = 3) {
    TiffBuilder t;
    const std::uint32_t at = t.append(indices);
    t.entry(256, tiffShort, 1, width);
    t.entry(257, tiffShort, 1, height);
    t.entry(262, tiffShort, 1, photometric);
    t.entry(273, tiffLong, 1, at);
    t.entry(279, tiffLong, 1, static_cast<std::uint32_t>(indices.size()));
    return t;
}

// A palette image of W x W pixels, W the row's length, whose W one-row
// strips all point at the same row of the file; the map as given.
inline Bytes sharedRowTiff(const Bytes& row, const std::vector<std::uint32_t>& map) {
    const auto side = static_cast<std::uint32_t>(row.size());
    TiffBuilder t;
    const std::uint32_t at = t.append(row);
    t.entry(256, tiffLong, 1, side);
    t.entry(257, tiffLong, 1, side);
    t.entry(262, tiffShort, 1, 3);
    t.entry(278, tiffShort, 1, 1);
    t.array(273, tiffLong, std::vector<std::uint32_t>(side, at));
    t.array(279, tiffLong, std::vector<std::uint32_t>(side, side));
    t.array(320, tiffShort, map);
    return t.finish();
}

}  // namespace loadertest
