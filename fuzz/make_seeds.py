#!/usr/bin/env python3
"""Writes the synthetic seeds of the fuzzing corpora (fuzz/corpus/<loader>/).

Small valid files of each format and the malformed shapes that loaders of
these formats have historically mishandled: truncated files, huge sizes in
tiny headers, offsets outside the file, runs past the scanline, missing or
zero RowsPerStrip, strip arrays of mixed types and counts. Run from anywhere;
the public samples beside them were copied from the test data folder.
"""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(loader, name, data):
    os.makedirs(os.path.join(HERE, loader), exist_ok=True)
    with open(os.path.join(HERE, loader, name), "wb") as f:
        f.write(data)


# ---- TGA ---------------------------------------------------------------
def tga(width, height, depth, pixels, image_type=2, id_bytes=b"", cmap=None):
    cmap_type, cmap_len, cmap_bits, cmap_data = 0, 0, 0, b""
    if cmap is not None:
        cmap_type, cmap_len, cmap_bits, cmap_data = 1, cmap[0], cmap[1], cmap[2]
    head = struct.pack("<BBBHHBHHHHBB", len(id_bytes), cmap_type, image_type, 0, cmap_len, cmap_bits,
                       0, 0, width, height, depth, 0)
    return head + id_bytes + cmap_data + pixels


put("tga", "rgb-2x1.tga", tga(2, 1, 24, bytes([10, 20, 30, 40, 50, 60])))
put("tga", "rgba-1x1.tga", tga(1, 1, 32, bytes([1, 2, 3, 4])))
put("tga", "id-field.tga", tga(1, 1, 24, bytes([7, 8, 9]), id_bytes=b"hello"))
put("tga", "with-colormap.tga", tga(1, 1, 24, bytes([7, 8, 9]), cmap=(2, 24, bytes(6))))
put("tga", "truncated-header.tga", tga(2, 1, 24, b"")[:10])
put("tga", "truncated-pixels.tga", tga(4, 4, 24, bytes(range(20))))
put("tga", "huge-size.tga", tga(65535, 65535, 32, bytes(16)))
put("tga", "depth16.tga", tga(2, 2, 16, bytes(8)))
put("tga", "rle-type10.tga", tga(1, 1, 24, bytes([0, 1, 2, 3]), image_type=10))


# ---- TIFF --------------------------------------------------------------
def tiff(width, height, strips, entries_extra=(), rows_per_strip=None, counts_type=4, offsets_type=4,
         cmap=None, mark=b"II", photometric=3):
    """Little-endian palette TIFF with the given strips (list of bytes)."""
    if cmap is None:
        cmap = [v * 257 for v in range(256)] + [(255 - v) * 257 for v in range(256)] + [0x8000] * 256
    body = bytearray(b"\0" * 8)
    strip_offsets = []
    for s in strips:
        strip_offsets.append(len(body))
        body += s
    cmap_off = len(body)
    body += struct.pack("<%dH" % len(cmap), *cmap)

    def array(type_, values):
        nonlocal body
        size = 2 if type_ == 3 else 4
        if len(values) * size <= 4:
            raw = struct.pack("<%d%s" % (len(values), "H" if size == 2 else "I"), *values)
            return struct.unpack("<I", raw.ljust(4, b"\0"))[0]
        off = len(body)
        body += struct.pack("<%d%s" % (len(values), "H" if size == 2 else "I"), *values)
        return off

    offs_val = array(offsets_type, strip_offsets)
    counts_val = array(counts_type, [len(s) for s in strips])
    entries = [(256, 3, 1, width), (257, 3, 1, height), (258, 3, 1, 8), (259, 3, 1, 1),
               (262, 3, 1, photometric), (273, offsets_type, len(strips), offs_val), (277, 3, 1, 1),
               (279, counts_type, len(strips), counts_val), (320, 3, len(cmap), cmap_off)]
    if rows_per_strip is not None:
        entries.append((278, 3, 1, rows_per_strip))
    entries += list(entries_extra)
    entries.sort()
    ifd = len(body)
    body += struct.pack("<H", len(entries))
    for e in entries:
        body += struct.pack("<HHII", *e)
    body += struct.pack("<I", 0)
    body[0:8] = mark + struct.pack("<HI", 42, ifd)
    return bytes(body)


img = bytes((x * 37 + y * 11) & 0xff for y in range(4) for x in range(5))
put("tiff", "palette-5x4-2strips.tif", tiff(5, 4, [img[:10], img[10:]], rows_per_strip=2))
put("tiff", "palette-5x4-short-counts.tif", tiff(5, 4, [img[:10], img[10:]], rows_per_strip=2, counts_type=3))
put("tiff", "palette-5x4-one-strip.tif", tiff(5, 4, [img], rows_per_strip=4))
put("tiff", "palette-5x4-no-rowsperstrip.tif", tiff(5, 4, [img]))
put("tiff", "palette-5x4-zero-rowsperstrip.tif", tiff(5, 4, [img], rows_per_strip=0))
put("tiff", "palette-8bit-colormap.tif", tiff(5, 4, [img], cmap=[v for v in range(256)] * 3))
put("tiff", "palette-small-colormap.tif", tiff(5, 4, [img], cmap=[0, 65535] * 3))
put("tiff", "compressed.tif", tiff(5, 4, [img], entries_extra=[(259, 3, 1, 5)]))
wide = bytes((x * 5 + y * 17) & 0xff for y in range(3) for x in range(130))
put("tiff", "palette-130x3-wide.tif", tiff(130, 3, [wide[:200], wide[200:201], wide[201:]]))
put("tiff", "palette-70x2-small-map.tif", tiff(70, 2, [wide[:140]], cmap=[0, 65535, 300, 4] * 3))
put("tiff", "extra-rows.tif", tiff(5, 3, [img], rows_per_strip=4))
put("tiff", "short-strip.tif", tiff(5, 4, [img[:13]]))
put("tiff", "big-endian.tif", tiff(5, 4, [img], mark=b"MM"))
put("tiff", "greyscale.tif", tiff(5, 4, [img], photometric=1))
huge = bytearray(tiff(5, 4, [img], rows_per_strip=2))
put("tiff", "ifd-outside.tif", bytes(huge[:4]) + struct.pack("<I", 0x7fffffff) + bytes(huge[8:]))
put("tiff", "empty.tif", b"")
put("tiff", "header-only.tif", b"II*\0\x08\0\0\0")
# 1 KiB file declaring 2^30 strips at offset 8.
small = bytearray(b"II*\0" + struct.pack("<I", 8))
ents = [(256, 4, 1, 65536), (257, 4, 1, 65536), (262, 3, 1, 3), (273, 4, 1 << 30, 100),
        (278, 4, 1, 1), (279, 4, 1 << 30, 200), (320, 3, 768, 300)]
small += struct.pack("<H", len(ents)) + b"".join(struct.pack("<HHII", *e) for e in ents) + b"\0\0\0\0"
put("tiff", "huge-strip-count.tif", bytes(small.ljust(1024, b"\x01")))


# ---- SGI ---------------------------------------------------------------
def sgi_header(storage, bpc, width, height, channels):
    h = struct.pack(">HBBHHHH", 474, storage, bpc, 3 if channels > 1 else 2, width, height, channels)
    return h.ljust(512, b"\0")


def sgi_rle(width, height, channels, lines, bpc=1):
    """lines[c][y] is the packet bytes of that scanline (terminator included)."""
    table_size = 2 * 4 * height * channels
    data = bytearray()
    starts = []
    for c in range(channels):
        for y in range(height):
            starts.append(512 + table_size + len(data))
            data += lines[c][y]
    lengths = [len(lines[c][y]) for c in range(channels) for y in range(height)]
    return (sgi_header(1, bpc, width, height, channels) + struct.pack(">%dI" % len(starts), *starts) +
            struct.pack(">%dI" % len(lengths), *lengths) + bytes(data))


put("sgi", "verbatim-rgba-2x1.sgi", sgi_header(0, 1, 2, 1, 4) + bytes([1, 2, 3, 4, 5, 6, 7, 8]))
put("sgi", "verbatim-rgb-2x2.sgi", sgi_header(0, 1, 2, 2, 3) + bytes(range(12)))
put("sgi", "rle-rgb-3x1.sgi", sgi_rle(3, 1, 3, [[bytes([0x83, 10, 11, 12, 0])], [bytes([3, 20, 0])],
                                                 [bytes([0x82, 30, 31, 1, 32, 0])]]))
put("sgi", "rle-run-past-width.sgi", sgi_rle(2, 1, 3, [[bytes([0x7f, 9, 0])], [bytes([0xff]) + bytes(127) + b"\0"],
                                                       [bytes([0x05, 1, 0])]]))
put("sgi", "rle-grey-3x2.sgi", sgi_rle(3, 2, 1, [[bytes([3, 5, 0]), bytes([0x83, 1, 2, 3, 0x80])]]))
put("sgi", "rle16-rgb-2x1.sgi", sgi_rle(2, 1, 3, [[bytes([0, 0x82, 1, 2, 3, 4, 0, 0])], [bytes([0, 2, 0xab, 0xcd, 0, 0])],
                                                  [bytes([0, 1, 9, 9, 0, 1, 8, 8, 0, 0])]], bpc=2))
put("sgi", "verbatim16-rgb-1x1.sgi", sgi_header(0, 2, 1, 1, 3) + bytes([0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc]))
put("sgi", "huge-size.sgi", sgi_header(1, 1, 65535, 65535, 4) + bytes(64))
put("sgi", "verbatim-short.sgi", sgi_header(0, 1, 100, 100, 4) + bytes(100))
put("sgi", "header-short.sgi", sgi_header(1, 1, 1, 1, 3)[:300])
bad = bytearray(sgi_rle(3, 1, 3, [[bytes([0x83, 10, 11, 12, 0])], [bytes([3, 20, 0])], [bytes([3, 30, 0])]]))
bad[512 + 4:512 + 8] = struct.pack(">I", 0xfffffff0)
put("sgi", "start-outside.sgi", bytes(bad))
bad = bytearray(sgi_rle(3, 1, 3, [[bytes([0x83, 10, 11, 12, 0])], [bytes([3, 20, 0])], [bytes([0x85, 30])]]))
put("sgi", "scanline-past-end.sgi", bytes(bad))
put("sgi", "zero-channels.sgi", sgi_header(1, 1, 255, 255, 0))


def png(width, height, depth, colour, rows, chunks=(), interlace=0, compress=True):
    """A PNG: IHDR, the given (type, data) chunks, the filtered rows in one
    IDAT (deflated, or in stored blocks), IEND."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
    head = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))
    body = b"".join(chunk(kind, data) for kind, data in chunks)
    return (b"\x89PNG\r\n\x1a\n" + head + body + chunk(b"IDAT", zlib.compress(rows, 9 if compress else 0)) +
            chunk(b"IEND", b""))


# PNG seeds for the differential harness (the import step reads PNG): every
# colour type and depth, palettes with tRNS and short palettes, colour keys,
# interlacing, the five filters, and files cut short.
put("png", "rgb-8-filters.png", png(3, 5, 8, 2, b"".join(bytes([f]) + bytes(range(f, f + 9)) for f in range(5))))
put("png", "rgba-8.png", png(2, 2, 8, 6, b"\0" + bytes(range(8)) + b"\4" + bytes(range(8, 16))))
put("png", "grey-1.png", png(9, 2, 1, 0, b"\0\xa5\x80\1\x5a\x00"))
put("png", "grey-4-key.png", png(4, 1, 4, 0, b"\0\x12\x3f", [(b"tRNS", b"\0\3")]))
put("png", "grey-16.png", png(2, 1, 16, 0, b"\0\x12\x34\xff\xfe"))
put("png", "greyalpha-16.png", png(1, 2, 16, 4, b"\0\1\2\3\4\2\5\6\7\x08"))
put("png", "rgb-16-key.png", png(1, 1, 16, 2, b"\0\0\1\0\2\0\3", [(b"tRNS", b"\0\1\0\2\0\3")]))
put("png", "palette-2-short-trns.png", png(4, 1, 2, 3, b"\0\x1b", [(b"PLTE", b"\xff\0\0\0\xff\0"), (b"tRNS", b"\7")]))
put("png", "palette-8.png", png(3, 1, 8, 3, b"\0\0\1\2", [(b"PLTE", bytes(range(9)))]))
ADAM7 = ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2))
interlaced = b""
for x0, y0, dx, dy in ADAM7:  # each pass's rows, unfiltered, RGB samples x, y, x + y
    for y in range(y0, 5, dy):
        interlaced += b"\0" + b"".join(bytes([x * 40, y * 40, (x + y) * 20]) for x in range(x0, 5, dx))
put("png", "interlaced-rgb.png", png(5, 5, 8, 2, interlaced, interlace=1))
put("png", "stored-blocks.png", png(4, 4, 8, 0, b"".join(b"\0" + bytes([y, y + 1, y + 2, y + 3]) for y in range(4)),
                                    compress=False))
whole = png(8, 8, 8, 2, b"".join(b"\1" + bytes(24) for _ in range(8)))
put("png", "cut-in-idat.png", whole[:len(whole) // 2])
put("png", "cut-before-iend.png", whole[:-12])
