#include <ornatex/imageloaders/ImageLoaderTGA.h>

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "LoaderTestSupport.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using loadertest::RecordingTexture;
using loadertest::TempDir;
using loadertest::Bytes;
using loadertest::imageCall;
using loadertest::subImageCall;
using Calls = std::vector<loadertest::TextureCall>;
using loadertest::dataFile;
using loadertest::readFile;
using loadertest::tga;

namespace {

// getColorData keeps its whole-file block for the rest of the process by
// design; the block starts `offset` bytes before the returned pixels.
void keepColorDataBlock(const void* pixels, std::size_t offset) {
#ifdef __SANITIZE_ADDRESS__
    if (pixels) __lsan_ignore_object(static_cast<const unsigned char*>(pixels) - offset);
#else
    (void)pixels;
    (void)offset;
#endif
}

using loadertest::Loaded;

void loadRaw(const std::string& path, Loaded& l) { loadertest::runLoader(ImageLoaderTGA::loadTGAraw, path, l); }

void loadSub(const std::string& path, Loaded& l) { loadertest::runLoader(ImageLoaderTGA::loadTGAsub, path, l); }

}  // namespace

TEST(TgaLoader, ReordersPixelsAndPassesTheFormat) {
    TempDir dir;
    Loaded rgb, rgba;
    loadRaw(dir.write("rgb.tga", tga(2, 2, 1, 24, {10, 20, 30, 40, 50, 60})), rgb);
    loadRaw(dir.write("rgba.tga", tga(2, 1, 1, 32, {1, 2, 3, 4})), rgba);

    EXPECT_EQ(rgb.texture.calls, Calls{imageCall(2, 1, texRGB, {30, 20, 10, 60, 50, 40})});
    EXPECT_EQ(rgb.result, 0);
    EXPECT_EQ(rgb.output, "");
    EXPECT_EQ(rgba.texture.calls, Calls{imageCall(1, 1, texRGBA, {3, 2, 1, 4})});
}

TEST(TgaLoader, HeaderFieldsPlacePixelsAndSizes) {
    TempDir dir;
    // A five-byte ID moves the pixels to offset 23; the ID is not delivered.
    Loaded id;
    loadRaw(dir.write("id.tga", tga(2, 1, 1, 24, {7, 8, 9}, 5)), id);
    EXPECT_EQ(id.texture.calls, Calls{imageCall(1, 1, texRGB, {9, 8, 7})});

    // Width bytes FF 00 give 255, 00 01 give 256.
    Loaded w255, w256;
    loadRaw(dir.write("w255.tga", tga(2, 255, 1, 24, Bytes(255 * 3, 1))), w255);
    loadRaw(dir.write("w256.tga", tga(2, 256, 1, 24, Bytes(256 * 3, 1))), w256);
    EXPECT_EQ(w255.texture.calls, Calls{imageCall(255, 1, texRGB, Bytes(255 * 3, 1))});
    EXPECT_EQ(w256.texture.calls, Calls{imageCall(256, 1, texRGB, Bytes(256 * 3, 1))});

    // Width 0 still calls the texture.
    Loaded empty;
    loadRaw(dir.write("empty.tga", tga(2, 0, 4, 32, {})), empty);
    EXPECT_EQ(empty.texture.calls, Calls{imageCall(0, 4, texRGBA, {})});
}

TEST(TgaLoader, RowsAreDeliveredInStoredOrderWhateverTheOrigin) {
    TempDir dir;
    const Bytes rows = {1, 2, 3, 4, 5, 6};  // two rows of one pixel
    Loaded bottom, top;
    loadRaw(dir.write("bl.tga", tga(2, 1, 2, 24, rows, 0, 0, 0, 0, 0x00)), bottom);
    loadRaw(dir.write("tl.tga", tga(2, 1, 2, 24, rows, 0, 0, 0, 0, 0x20)), top);
    EXPECT_EQ(bottom.texture.calls, Calls{imageCall(1, 2, texRGB, {3, 2, 1, 6, 5, 4})});
    EXPECT_EQ(top.texture.calls, bottom.texture.calls);
}

TEST(TgaLoader, UnsupportedImageTypesAreRefusedWithTheirMessages) {
    TempDir dir;
    const std::string rle = dir.write("rle.tga", tga(10, 1, 1, 24, {1, 2, 3}));
    Loaded raw, sub;
    loadRaw(rle, raw);
    loadSub(rle, sub);
    EXPECT_EQ(raw.output, "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: 10\n");
    EXPECT_EQ(sub.output, "Unsupported format, only 24-bit RGB supported so far: 10\n");
    EXPECT_TRUE(raw.texture.calls.empty());
    EXPECT_TRUE(sub.texture.calls.empty());
    EXPECT_EQ(raw.result, 0);
    EXPECT_EQ(sub.result, 0);

    testing::internal::CaptureStdout();
    void* data = ImageLoaderTGA::getColorData(rle.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: 10\n");
    EXPECT_EQ(data, nullptr);

    // A public sample named "raw" whose header says run-length encoded.
    Loaded trap;
    loadRaw(dataFile("pillow-200x32_rgb_tl_raw.tga"), trap);
    EXPECT_TRUE(trap.texture.calls.empty());
}

TEST(TgaLoader, MissingFileSaysSoAndReturnsZero) {
    Loaded l;
    loadRaw("/nonexistent/missing.tga", l);
    EXPECT_EQ(l.output, "Missing data..\n");
    EXPECT_EQ(l.result, 0);
    EXPECT_TRUE(l.texture.calls.empty());

    testing::internal::CaptureStdout();
    EXPECT_EQ(ImageLoaderTGA::getColorData("/nonexistent/missing.tga"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Missing data..\n");
}

TEST(TgaLoader, ColorMapWarnsAndPixelsFollowTheMap) {
    TempDir dir;
    // 8 entries of 15 bits, 2 bytes each: 16 bytes of map before the pixels
    // (not the 15 bytes that 120 bits would fill).
    Bytes file = tga(2, 1, 1, 24, {1, 2, 3}, 2, 1, 8, 15);
    ASSERT_EQ(file.size(), 18u + 2 + 16 + 3);
    file[18 + 2 + 15] = 0x55;  // the last map byte, which a 15-byte map would take as blue
    const std::string path = dir.write("map.tga", file);
    Loaded raw, sub;
    loadRaw(path, raw);
    loadSub(path, sub);
    EXPECT_EQ(raw.output, "Colormap not implemented....\n");
    EXPECT_EQ(sub.output, "Colormap not implemented....\n");
    EXPECT_EQ(raw.texture.calls, Calls{imageCall(1, 1, texRGB, {3, 2, 1})});
    EXPECT_EQ(sub.texture.calls, Calls{subImageCall(1, 1, texRGB, {3, 2, 1})});

    testing::internal::CaptureStdout();
    const unsigned char* data = static_cast<unsigned char*>(ImageLoaderTGA::getColorData(path.c_str()));
    keepColorDataBlock(data, 18 + 2 + 16);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Image type: 2\nColor map: 1\nPixel size: 24\nWidth: 1\nHeight: 1\nColormap not implemented....\n");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data[0], 3);
    EXPECT_EQ(data[2], 1);
}

// Images of about a megabyte, behind an ID and a colour map, with a
// trailing byte after the pixels: every pixel arrives exchanged, wherever the
// file's reads begin and end.
TEST(TgaLoader, LargeImagesArriveWholeAndExchanged) {
    TempDir dir;
    for (unsigned depth : {24u, 32u}) {
        SCOPED_TRACE(depth);
        const unsigned width = 601, height = 457, bpp = depth / 8;
        Bytes pixels(std::size_t(width) * height * bpp);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
        Bytes expected = pixels;
        for (std::size_t i = 0; i < expected.size(); i += bpp) std::swap(expected[i], expected[i + 2]);
        Bytes file = tga(2, width, height, depth, pixels, 9, 1, 5, 24);
        file.push_back(0x77);
        const std::string path = dir.write("large" + std::to_string(depth) + ".tga", file);
        const texFormat format = depth == 32 ? texRGBA : texRGB;
        Loaded raw, sub;
        loadRaw(path, raw);
        loadSub(path, sub);
        EXPECT_EQ(raw.output, "Colormap not implemented....\n");
        EXPECT_EQ(raw.texture.calls, Calls{imageCall(int(width), int(height), format, expected)});
        EXPECT_EQ(sub.texture.calls, Calls{subImageCall(int(width), int(height), format, expected)});
    }
}

TEST(TgaLoader, SubImageGoesToTexelZeroWithFourByteExchange) {
    TempDir dir;
    Loaded rgb, rgba;
    loadSub(dir.write("rgb.tga", tga(2, 2, 1, 24, {10, 20, 30, 40, 50, 60})), rgb);
    loadSub(dir.write("rgba.tga", tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8})), rgba);
    EXPECT_EQ(rgb.texture.calls, Calls{subImageCall(2, 1, texRGB, {30, 20, 10, 60, 50, 40})});
    EXPECT_EQ(rgba.texture.calls, Calls{subImageCall(2, 1, texRGBA, {3, 2, 1, 4, 7, 6, 5, 8})});
}

TEST(TgaLoader, ColorDataReportsTheHeaderAndKeepsTheRestOfTheFile) {
    TempDir dir;
    Bytes pixels;
    for (int i = 0; i < 48; ++i) pixels.push_back(static_cast<unsigned char>(i));
    Bytes file = tga(2, 4, 4, 24, pixels);
    const Bytes trailer = {0xAA, 0xBB, 0xCC, 0xDD};
    file.insert(file.end(), trailer.begin(), trailer.end());
    const std::string path = dir.write("c.tga", file);

    testing::internal::CaptureStdout();
    const unsigned char* data = static_cast<unsigned char*>(ImageLoaderTGA::getColorData(path.c_str()));
    keepColorDataBlock(data, 18);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Image type: 2\nColor map: 0\nPixel size: 24\nWidth: 4\nHeight: 4\n");
    ASSERT_NE(data, nullptr);
    for (int p = 0; p < 16; ++p) {
        EXPECT_EQ(data[3 * p], 3 * p + 2);
        EXPECT_EQ(data[3 * p + 1], 3 * p + 1);
        EXPECT_EQ(data[3 * p + 2], 3 * p);
    }
    EXPECT_EQ(std::memcmp(data + 48, trailer.data(), trailer.size()), 0);
}

TEST(TgaLoader, OtherDepthsAreRefusedNamingTheDepth) {
    TempDir dir;
    for (unsigned depth : {8u, 15u, 16u}) {
        Loaded l;
        loadRaw(dir.write("d.tga", tga(2, 2, 1, depth, Bytes(8, 1))), l);
        EXPECT_EQ(l.output, "TGA file refused: pixel depth " + std::to_string(depth) + ", only 24 and 32 supported\n");
        EXPECT_TRUE(l.texture.calls.empty());
    }
    Loaded sample;
    loadRaw(dataFile("pillow-rgba16.tga"), sample);
    EXPECT_TRUE(sample.texture.calls.empty());
    EXPECT_EQ(sample.output, "TGA file refused: pixel depth 16, only 24 and 32 supported\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(ImageLoaderTGA::getColorData(dataFile("pillow-rgba16.tga").c_str()), nullptr);
    testing::internal::GetCapturedStdout();
}

TEST(TgaLoader, ShortAndInconsistentFilesAreRefused) {
    TempDir dir;
    struct Case {
        const char* name;
        Bytes bytes;
        const char* message;
    };
    Bytes header = tga(2, 2, 2, 32, {});
    const Case cases[] = {
        {"empty", {}, "TGA file refused: 0 bytes, too short for the 18-byte header\n"},
        {"header17", Bytes(header.begin(), header.begin() + 17),
         "TGA file refused: 17 bytes, too short for the 18-byte header\n"},
        {"nopixels", header, "TGA file refused: 18 bytes, the header declares 34\n"},
        {"onebyteshort", tga(2, 2, 2, 32, Bytes(15, 9)), "TGA file refused: 33 bytes, the header declares 34\n"},
        {"huge", tga(2, 65535, 65535, 32, Bytes(64, 0)),
         "TGA file refused: 82 bytes, the header declares 17179344918\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        loadRaw(dir.write(c.name, c.bytes), l);
        EXPECT_EQ(l.output, c.message);
        EXPECT_TRUE(l.texture.calls.empty());
    }
    // An ID or a colour map that reaches past the end is caught the same way.
    Bytes idPastEnd = tga(2, 1, 1, 24, {1, 2, 3});
    idPastEnd[0] = 200;
    Loaded id;
    loadRaw(dir.write("id", idPastEnd), id);
    EXPECT_EQ(id.output, "TGA file refused: 21 bytes, the header declares 221\n");
    EXPECT_TRUE(id.texture.calls.empty());

    // A directory opens but cannot be read: the read comes up short (or, on a
    // file system that gives directories no size, the header is missing).
    // Windows does not open a folder as a file at all: it is missing.
    Loaded folder;
    loadRaw(dir.path.string(), folder);
#if defined(_WIN32)
    EXPECT_EQ(folder.output, "Missing data..\n");
#else
    EXPECT_EQ(folder.output.rfind("TGA file refused: ", 0), 0u) << folder.output;
#endif
    EXPECT_TRUE(folder.texture.calls.empty());
}

TEST(TgaLoader, PublicSamplesLoad) {
    // The top-left file stores the bottom-left file's rows in reverse order;
    // both are delivered as stored.
    Loaded bl, tl;
    loadRaw(dataFile("pillow-200x32_rgba_bl_raw.tga"), bl);
    loadRaw(dataFile("pillow-200x32_rgba_tl_raw.tga"), tl);
    ASSERT_EQ(bl.texture.calls.size(), 1u);
    ASSERT_EQ(tl.texture.calls.size(), 1u);
    EXPECT_EQ(bl.texture.calls[0].width, 200);
    EXPECT_EQ(bl.texture.calls[0].height, 32);
    EXPECT_EQ(bl.texture.calls[0].format, texRGBA);
    const std::size_t stride = 200 * 4;
    for (std::size_t row = 0; row < 32; ++row)
        ASSERT_EQ(std::memcmp(bl.texture.calls[0].pixels.data() + row * stride,
                              tl.texture.calls[0].pixels.data() + (31 - row) * stride, stride),
                  0)
            << "row " << row;

    // A six-byte image ID and a file with an extension area and footer.
    Loaded id, ext;
    loadRaw(dataFile("pillow-tga_id_field.tga"), id);
    loadRaw(dataFile("kimageformats-extarea.tga"), ext);
    ASSERT_EQ(ext.texture.calls.size(), 1u);
    EXPECT_EQ(ext.texture.calls[0].width, 131);
    EXPECT_EQ(ext.texture.calls[0].format, texRGBA);

    // The file's pixel bytes, blue and red exchanged by hand, are exactly
    // what the texture got.
    Bytes expected = readFile(dataFile("pillow-tga_id_field.tga"));
    expected.erase(expected.begin(), expected.begin() + 18 + 6);
    expected.resize(100 * 100 * 3);
    for (std::size_t p = 0; p < expected.size(); p += 3) std::swap(expected[p], expected[p + 2]);
    EXPECT_EQ(id.texture.calls, Calls{imageCall(100, 100, texRGB, expected)});
}

TEST(TgaLoader, TextureStoresACopyBottomRowFirst) {
    // Through the real texture: the pixels outlive the loader's block.
    TempDir dir;
    kwTexture texture;
    testing::internal::CaptureStdout();
    ImageLoaderTGA::loadTGAraw(&texture, dir.write("t.tga", tga(2, 1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8})).c_str());
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(texture.getWidth(), 1);
    ASSERT_EQ(texture.getHeight(), 2);
    EXPECT_EQ(Bytes(texture.getPixels(), texture.getPixels() + 8), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}
