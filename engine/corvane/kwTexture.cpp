#include <corvane/kwTexture.h>
#include <corvane/kwGpuRecord.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
constexpr std::size_t hugePage = std::size_t(2) << 20;
#endif

// Large images get storage aligned to 2 MiB and advised for transparent huge
// pages: a first touch of fresh 4 KiB pages costs more than the copy itself.
// Linux only: elsewhere there is no such advice (and Windows has no
// aligned_alloc whose memory free() takes back).
unsigned char* allocatePixels(std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= hugePage) {
        const std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
        void* p = std::aligned_alloc(hugePage, rounded);
        if (!p) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(p, rounded, MADV_HUGEPAGE);
#endif
        return static_cast<unsigned char*>(p);
    }
#endif
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return static_cast<unsigned char*>(p);
}

// Byte size of an image, or SIZE_MAX when the arguments do not describe one.
std::size_t imageBytes(int width, int height, texFormat format) {
    const int bpp = texBytesPerPixel(format);
    if (width < 0 || height < 0 || bpp == 0) return SIZE_MAX;
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(bpp);
    if (bytes > SIZE_MAX / 2) return SIZE_MAX;
    return static_cast<std::size_t>(bytes);
}

}  // namespace

kwTexture::kwTexture() = default;

kwTexture::~kwTexture() {
    if (gpuTexture) kwReleaseGpu(gpuTexture);
    std::free(pixels);
}

std::size_t kwTexture::getByteSize() const {
    return std::size_t(width) * std::size_t(height) * std::size_t(texBytesPerPixel(format));
}

unsigned char* kwTexture::reserve(std::size_t bytes) {
    if (pixels && bytes <= capacity) return pixels;
    unsigned char* fresh = allocatePixels(bytes);
    std::free(pixels);
    pixels = fresh;
    capacity = bytes;
    return pixels;
}

void kwTexture::loadImage(int w, int h, texFormat f, unsigned char* src) {
    const std::size_t bytes = imageBytes(w, h, f);
    if (bytes == SIZE_MAX) {
        std::fprintf(stderr, "kwTexture::loadImage: invalid image %d x %d, format %d\n", w, h, int(f));
        return;
    }
    if (bytes && !src) {
        std::fprintf(stderr, "kwTexture::loadImage: no pixels for a %d x %d image\n", w, h);
        return;
    }
    unsigned char* dst = reserve(bytes);
    if (bytes) std::memcpy(dst, src, bytes);
    width = w;
    height = h;
    format = f;
    ++version;
}

void kwTexture::loadSubImage(int x, int y, int w, int h, texFormat f, unsigned char* src) {
    const std::size_t bytes = imageBytes(w, h, f);
    if (bytes == SIZE_MAX || x < 0 || y < 0) {
        std::fprintf(stderr, "kwTexture::loadSubImage: invalid sub-image %d x %d at (%d, %d), format %d\n", w, h, x,
                     y, int(f));
        return;
    }
    if (bytes && !src) {
        std::fprintf(stderr, "kwTexture::loadSubImage: no pixels for a %d x %d sub-image\n", w, h);
        return;
    }
    if (!pixels || width == 0 || height == 0) {
        // No image yet: the sub-image defines one just large enough for it.
        const std::uint64_t fullW = std::uint64_t(x) + std::uint64_t(w);
        const std::uint64_t fullH = std::uint64_t(y) + std::uint64_t(h);
        if (fullW > 0x7fffffff || fullH > 0x7fffffff ||
            imageBytes(int(fullW), int(fullH), f) == SIZE_MAX) {
            std::fprintf(stderr, "kwTexture::loadSubImage: sub-image too large\n");
            return;
        }
        const std::size_t full = imageBytes(int(fullW), int(fullH), f);
        unsigned char* dst = reserve(full);
        if (full) std::memset(dst, 0, full);
        width = int(fullW);
        height = int(fullH);
        format = f;
    } else if (f != format) {
        std::fprintf(stderr, "kwTexture::loadSubImage: format %d does not match the image's format %d\n", int(f),
                     int(format));
        return;
    }
    const int bpp = texBytesPerPixel(f);
    const int copyW = x >= width ? 0 : (w < width - x ? w : width - x);
    const int copyH = y >= height ? 0 : (h < height - y ? h : height - y);
    for (int row = 0; row < copyH; ++row) {
        std::memcpy(pixels + (std::size_t(y + row) * std::size_t(width) + std::size_t(x)) * bpp,
                    src + std::size_t(row) * std::size_t(w) * bpp, std::size_t(copyW) * bpp);
    }
    ++version;
}
