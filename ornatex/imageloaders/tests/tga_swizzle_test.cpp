// The TGA red-blue exchange on every path this machine runs, against a
// byte model and against the plain path: odd widths, block edges and the
// tails after them, rows that start off alignment, in place and mirrored.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include <ornatex/imageloaders/internal/TgaSwizzle.h>

namespace {

using ornatex::detail::SwizzlePath;
using Bytes = std::vector<unsigned char>;

// Around the block size (16 pixels) and its multiples, with tails of
// several lengths after them.
const std::size_t widths[] = {0, 1, 2, 3, 5, 15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 95, 96, 97, 100, 257, 1001};

const SwizzlePath allPaths[] = {SwizzlePath::plain, SwizzlePath::sse2, SwizzlePath::ssse3};

// Channel c of pixel i of the delivered row comes from channel 2 - c (0, 1,
// 2) or c (alpha) of stored pixel i, or of stored pixel count - 1 - i when
// mirrored.
Bytes model(const Bytes& stored, unsigned bpp, bool mirror) {
    const std::size_t count = stored.size() / bpp;
    Bytes out(stored.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t source = mirror ? count - 1 - i : i;
        for (unsigned c = 0; c < bpp; ++c) out[bpp * i + c] = stored[bpp * source + (c < 3 ? 2 - c : c)];
    }
    return out;
}

Bytes rowOf(std::size_t bytes, unsigned seed) {
    Bytes row(bytes);
    for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<unsigned char>((i * 2654435761u + seed) >> 11);
    return row;
}

// Runs the path on `stored` into a buffer of exactly the row's size placed
// `shift` bytes into its allocation (so reads and writes past either end
// show under the address sanitizer); guard bytes before it must stay.
Bytes run(SwizzlePath path, const Bytes& stored, unsigned bpp, bool mirror, std::size_t shift) {
    Bytes from(shift + stored.size()), to(shift + stored.size(), 0xEE);
    std::copy(stored.begin(), stored.end(), from.begin() + long(shift));
    ornatex::detail::swizzleRow(path, from.data() + shift, to.data() + shift, stored.size() / bpp, bpp, mirror);
    for (std::size_t k = 0; k < shift; ++k) EXPECT_EQ(to[k], 0xEE) << "guard byte " << k;
    return Bytes(to.begin() + long(shift), to.end());
}

Bytes runInPlace(SwizzlePath path, const Bytes& stored, unsigned bpp, std::size_t shift) {
    Bytes buffer(shift + stored.size());
    std::copy(stored.begin(), stored.end(), buffer.begin() + long(shift));
    ornatex::detail::swizzleRow(path, buffer.data() + shift, buffer.data() + shift, stored.size() / bpp, bpp, false);
    return Bytes(buffer.begin() + long(shift), buffer.end());
}

}  // namespace

TEST(TgaSwizzle, PlainPathOnTheSmallestRows) {
    const Bytes rgb = {10, 20, 30, 40, 50, 60};
    EXPECT_EQ(run(SwizzlePath::plain, rgb, 3, false, 0), (Bytes{30, 20, 10, 60, 50, 40}));
    EXPECT_EQ(run(SwizzlePath::plain, rgb, 3, true, 0), (Bytes{60, 50, 40, 30, 20, 10}));
    const Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(run(SwizzlePath::plain, rgba, 4, false, 0), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
    EXPECT_EQ(run(SwizzlePath::plain, rgba, 4, true, 0), (Bytes{7, 6, 5, 8, 3, 2, 1, 4}));
    EXPECT_EQ(runInPlace(SwizzlePath::plain, rgba, 4, 0), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaSwizzle, EveryPathMatchesTheModelAndThePlainPath) {
    int pathsRun = 0;
    for (const SwizzlePath path : allPaths) {
        if (!ornatex::detail::swizzlePathAvailable(path)) continue;
        ++pathsRun;
        for (const unsigned bpp : {3u, 4u})
            for (const std::size_t width : widths)
                for (const std::size_t shift : {0u, 1u, 3u}) {
                    SCOPED_TRACE(testing::Message() << "path " << int(path) << ", " << bpp << " bytes, width " << width
                                                    << ", shift " << shift);
                    const Bytes stored = rowOf(bpp * width, unsigned(width + shift));
                    for (const bool mirror : {false, true}) {
                        const Bytes got = run(path, stored, bpp, mirror, shift);
                        EXPECT_EQ(got, model(stored, bpp, mirror)) << (mirror ? "mirrored" : "left to right");
                        EXPECT_EQ(got, run(SwizzlePath::plain, stored, bpp, mirror, shift));
                    }
                    EXPECT_EQ(runInPlace(path, stored, bpp, shift), model(stored, bpp, false)) << "in place";
                }
    }
    EXPECT_GE(pathsRun, 1);
}

TEST(TgaSwizzle, FastestPathIsAvailableAndNoSlowerThanAnyOther) {
    const SwizzlePath fastest = ornatex::detail::fastestSwizzlePath();
    EXPECT_TRUE(ornatex::detail::swizzlePathAvailable(fastest));
    for (const SwizzlePath path : allPaths) {
        if (!ornatex::detail::swizzlePathAvailable(path)) continue;
        EXPECT_GE(int(fastest), int(path));
    }
#if defined(__x86_64__) || defined(__SSE2__)
    // Every build for these processors carries the SSE2 path.
    EXPECT_TRUE(ornatex::detail::swizzlePathAvailable(SwizzlePath::sse2));
#endif
}
