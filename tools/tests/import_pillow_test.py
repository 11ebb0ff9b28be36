#!/usr/bin/python3
"""The tool's import step against Pillow, pixel for pixel.

Usage: import_pillow_test.py --dump IMPORT_DUMP [--generated] [--trial] [--kinds EXT,...] DIR...

--generated makes one file of every input kind in a temporary folder (with
Pillow, and libtiff's tiffcp/tiffset where Pillow cannot write the variant)
and requires each to import with exactly the pixels Pillow reads. Every file
under the DIRs is compared too. Without --trial any wrong pixel fails the
test; with --trial only the figures are printed.

Expected pixels come from Pillow, brought to 8-bit RGB or RGBA here: grey is
repeated, palettes expanded, premultiplied alpha undone as Pillow converts
"RGBa", 16-bit grey rounded by (v * 255 + 32767) // 65535. Pillow applies
the TIFF Orientation tag itself when it loads. Where Pillow and the import
differ, ImageMagick is asked: when it reads the imported pixels, the file is
counted as "pillow differs" (a Pillow fault), not as wrong. JPEG is compared within 8 levels a sample (stb_image
and libjpeg round their transforms differently).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

try:
    from PIL import Image, ImageOps
except ImportError:
    print("Pillow (python3-pil) is not installed")
    sys.exit(77)

EIGHT_BIT = {"1", "L", "LA", "La", "P", "PA", "RGB", "RGBA", "RGBX", "RGBa", "CMYK", "YCbCr"}
SIXTEEN_BIT = {"I;16", "I;16B", "I;16L"}


def expected(path):
    """(kind, width, height, channels, bytes top row first) or (kind,) when Pillow
    does not read the file as an 8- or 16-bit image."""
    try:
        im = Image.open(path)
        im.seek(0)
        im.load()
    except Exception:
        return ("pillow-fails",)
    mode = im.mode
    if mode in SIXTEEN_BIT:
        grey = bytes((v * 255 + 32767) // 65535 for v in im.getdata())
        rgb = bytes(b for g in grey for b in (g, g, g))
        return ("16-bit", im.width, im.height, 3, rgb)
    if mode not in EIGHT_BIT:
        return ("not-8-bit",)
    if mode in ("LA", "La", "PA", "RGBA", "RGBa") or "transparency" in im.info:
        out = im.convert("RGBA")
    else:
        out = im.convert("RGB")
    return ("8-bit", out.width, out.height, len(out.mode), out.tobytes())


def imported(dump, paths):
    """The import of each path: (via, width, height, channels, bytes) or ("error", reason)."""
    data = subprocess.run([dump] + paths, check=True, stdout=subprocess.PIPE).stdout
    results, at = [], 0
    for _ in paths:
        end = data.index(b"\n", at)
        line = data[at:end].decode("utf-8", "replace")
        at = end + 1
        if line.startswith("error: "):
            results.append(("error", line[7:]))
            continue
        via, w, h, c = line.split()
        w, h, c = int(w), int(h), int(c)
        results.append((via, w, h, c, data[at:at + w * h * c]))
        at += w * h * c
    return results


def imagemagick_agrees(path, got):
    """Whether ImageMagick reads the file with exactly the imported pixels: the
    arbiter where Pillow and the import differ."""
    if not shutil.which("convert"):
        return False
    _, w, h, c, pixels = got
    run = subprocess.run(["convert", path + "[0]", "-auto-orient", "-depth", "8", ("RGBA:-" if c == 4 else "RGB:-")],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return run.returncode == 0 and run.stdout == pixels


def sixteen_bit_source(path):
    """Whether the file holds 16-bit samples that Pillow reads as 8-bit by
    keeping the top byte (PNG bit depth 16, TIFF BitsPerSample 16), where the
    import rounds to nearest, (v * 255 + 32767) // 65535: the two differ by
    at most 1, either way (59193 keeps 231 but rounds to 230)."""
    head = open(path, "rb").read(32)
    if head.startswith(b"\x89PNG") and len(head) > 24:
        return head[24] == 16
    try:
        im = Image.open(path)
        return im.format == "TIFF" and 16 in tuple(im.tag_v2.get(258, (8,)))
    except Exception:
        return False


def compare(path, ref, got):
    """'match', 'refused: ...', 'pillow differs: ...', 'rounding: ...' or 'wrong: ...'."""
    if got[0] == "error":
        return "refused: " + got[1]
    _, w, h, c, pixels = got
    if (w, h, c) != ref[1:4]:
        return "wrong: %dx%dx%d, Pillow %dx%dx%d" % (w, h, c, *ref[1:4])
    tolerance = 8 if path.lower().endswith((".jpg", ".jpeg")) else 0
    worst = max((abs(a - b) for a, b in zip(pixels, ref[4])), default=0)
    if worst > tolerance:
        first = next(i for i, (a, b) in enumerate(zip(pixels, ref[4])) if abs(a - b) > tolerance)
        what = "byte %d is %d, Pillow %d (largest difference %d)" % (first, pixels[first], ref[4][first], worst)
        if worst == 1 and sixteen_bit_source(path):
            return "rounding: 16-bit samples rounded to nearest, Pillow keeps the top byte"
        if imagemagick_agrees(path, got):
            return "pillow differs: " + what + "; ImageMagick reads the imported pixels"
        return "wrong: " + what
    return "match"


def sgi_bytes(width, height, planes, rle):
    """An SGI file of the given planes (lists of rows, bottom row first), written
    here from the format's description, independently of any library."""
    header = struct.pack(">hbbHHHH", 474, 1 if rle else 0, 1, 3, width, height, len(planes))
    header += struct.pack(">ii", 0, 255) + b"\0" * 4 + b"generated".ljust(80, b"\0") + struct.pack(">i", 0)
    header = header.ljust(512, b"\0")
    if not rle:
        return header + b"".join(bytes(row) for plane in planes for row in plane)
    lines = [[] for _ in range(len(planes))]
    for c, plane in enumerate(planes):
        for row in plane:  # one literal packet of up to 127 samples at a time, then the end mark
            packets = b""
            for i in range(0, len(row), 127):
                chunk = bytes(row[i:i + 127])
                packets += bytes([0x80 | len(chunk)]) + chunk
            lines[c].append(packets + b"\0")
    table_size = 8 * height * len(planes)
    starts, lengths, body = [], [], b""
    for c in range(len(planes)):
        for y in range(height):
            starts.append(512 + table_size + len(body))
            lengths.append(len(lines[c][y]))
            body += lines[c][y]
    return header + struct.pack(">%di" % len(starts), *starts) + struct.pack(">%di" % len(lengths), *lengths) + body


def generate(folder):
    """One file of every input kind; returns {path: expected override or None}."""
    w, h = 37, 23
    base = Image.new("RGBA", (w, h))
    base.putdata([((x * 7) % 256, (y * 11) % 256, (x * y) % 256, (x * 13 + y * 5) % 256)
                  for y in range(h) for x in range(w)])
    rgb, grey = base.convert("RGB"), base.convert("L")
    palette = rgb.quantize(64)
    made = {}

    def save(name, im, **kw):
        path = os.path.join(folder, name)
        im.save(path, **kw)
        made[path] = None
        return path

    for name, im in (("rgb", rgb), ("rgba", base), ("grey", grey), ("greyalpha", base.convert("LA")),
                     ("palette", palette), ("bilevel", grey.convert("1"))):
        save(name + ".png", im)
    trans = palette.copy()
    trans.info["transparency"] = 3
    save("palette-transparent.png", trans, transparency=3)
    save("grey-key.png", grey, transparency=grey.getpixel((3, 4)))
    save("rgb-key.png", rgb, transparency=rgb.getpixel((5, 6)))
    save("palette-4bit.png", rgb.quantize(16), bits=4)
    wide = Image.new("I;16", (w, h))
    wide.putdata([(x * 1791 + y * 257 + 3) % 65536 for y in range(h) for x in range(w)])
    save("grey16.png", wide)
    save("rgb.jpg", rgb, quality=95)
    save("grey.jpg", grey, quality=95)
    save("rgb.bmp", rgb)
    save("palette.bmp", palette)
    save("palette.gif", palette)
    save("rgb.ppm", rgb)
    save("grey.pgm", grey)
    for name, im in (("rgb", rgb), ("rgba", base), ("grey", grey), ("palette", palette)):
        save(name + "-rle.tga", im, compression="tga_rle")
    save("grey.tga", grey)
    save("palette.tga", palette)
    save("rgba-topleft-rle.tga", base, compression="tga_rle", orientation=1)
    # The right-to-left bit set by hand: the same pixels, mirrored.
    src = save("rgb-rle-source.tga", rgb, compression="tga_rle")
    data = bytearray(open(src, "rb").read())
    data[17] |= 0x10
    mirrored = os.path.join(folder, "rgb-rle-righttoleft.tga")
    open(mirrored, "wb").write(data)
    made[mirrored] = ("8-bit", w, h, 3, ImageOps.mirror(rgb).tobytes())
    save("grey.sgi", grey)
    save("rgb.sgi", rgb)
    for name, planes, rle in (("greyalpha.sgi", 2, False), ("grey-rle.sgi", 1, True), ("greyalpha-rle.sgi", 2, True)):
        la = base.convert("LA")
        rows = [[la.getpixel((x, h - 1 - y))[c] for x in range(w)] for c in range(planes) for y in range(h)]
        path = os.path.join(folder, name)
        open(path, "wb").write(sgi_bytes(w, h, [rows[c * h:(c + 1) * h] for c in range(planes)], rle))
        made[path] = None
    for name, im in (("rgb", rgb), ("rgba", base), ("grey", grey), ("greyalpha", base.convert("LA")),
                     ("bilevel", grey.convert("1")), ("palette", palette), ("cmyk", rgb.convert("CMYK"))):
        save(name + ".tif", im)
    for comp in ("tiff_lzw", "tiff_adobe_deflate", "packbits"):
        save("rgb-%s.tif" % comp, rgb, compression=comp)
        save("palette-%s.tif" % comp, palette, compression=comp)
    save("grey16.tif", wide)
    save("rgb-jpeg.jpg.tif", rgb, compression="jpeg", quality=95)
    tools = shutil.which("tiffcp") and shutil.which("tiffset")
    if tools:
        rgb_tif = os.path.join(folder, "rgb.tif")
        for name, args in (("rgb-bigendian.tif", ["-B"]), ("rgb-tiled.tif", ["-t", "-w", "16", "-l", "16"]),
                           ("rgb-separate.tif", ["-p", "separate"]), ("rgb-lzw-predictor.tif", ["-c", "lzw:2"])):
            out = os.path.join(folder, name)
            subprocess.run(["tiffcp"] + args + [rgb_tif, out], check=True)
            made[out] = None
        for orientation in range(2, 9):
            out = os.path.join(folder, "rgb-orientation%d.tif" % orientation)
            shutil.copy(rgb_tif, out)
            subprocess.run(["tiffset", "-s", "274", str(orientation), out], check=True)
            made[out] = None
    # The JPEG-in-TIFF pixels come from the same libjpeg in both readers.
    return made


def main(argv):
    dump, generated, trial, folders, kinds = None, False, False, [], None
    args = iter(argv)
    for a in args:
        if a == "--dump":
            dump = next(args)
        elif a == "--generated":
            generated = True
        elif a == "--trial":
            trial = True
        elif a == "--kinds":
            kinds = tuple("." + k for k in next(args).split(","))
        else:
            folders.append(a)
    files = {}
    tmp = tempfile.mkdtemp(prefix="import-pillow-")
    try:
        if generated:
            files.update(generate(tmp))
        for folder in folders:
            for root, _, names in os.walk(folder):
                for name in sorted(names):
                    if kinds and not name.lower().endswith(kinds):
                        continue
                    if not name.lower().endswith((".md", ".txt", ".py", "license", ".sh")):
                        files[os.path.join(root, name)] = None
        paths = sorted(files)
        refs = {p: files[p] or expected(p) for p in paths}
        results = imported(dump, paths)
        counts, wrong = {}, []
        for path, got in zip(paths, results):
            ref = refs[path]
            if ref[0] not in ("8-bit", "16-bit"):
                counts[ref[0]] = counts.get(ref[0], 0) + 1
                continue
            verdict = compare(path, ref, got)
            key = ref[0] + " " + verdict.split(":")[0]
            counts[key] = counts.get(key, 0) + 1
            if verdict != "match":
                print("%s: %s" % (path, verdict))
                if verdict.startswith("wrong") or (path.startswith(tmp) and not verdict.startswith("rounding")):
                    wrong.append(path)
        for key in sorted(counts):
            print("%6d  %s" % (counts[key], key))
        readable = sum(v for k, v in counts.items() if k.startswith("8-bit"))
        matched = counts.get("8-bit match", 0)
        if readable:
            print("Pillow reads %d as 8-bit; %d (%.1f%%) import with exactly Pillow's pixels"
                  % (readable, matched, 100.0 * matched / readable))
        return 0 if trial or not wrong else 1
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
