#include "ImageOutput.h"

#include <png.h>

#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tool {

namespace {

bool endsWith(const std::string& s, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i]) return false;
    return true;
}

// The texture keeps the bottom row first; files start with the top row.
const unsigned char* rowFromTop(const kwTexture& texture, int row) {
    const std::size_t stride = std::size_t(texture.getWidth()) * texBytesPerPixel(texture.getFormat());
    return texture.getPixels() + std::size_t(texture.getHeight() - 1 - row) * stride;
}

std::string writePam(const kwTexture& texture, std::FILE* out) {
    const bool alpha = texture.getFormat() == texRGBA;
    std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", texture.getWidth(),
                 texture.getHeight(), alpha ? 4 : 3, alpha ? "RGB_ALPHA" : "RGB");
    const std::size_t stride = std::size_t(texture.getWidth()) * texBytesPerPixel(texture.getFormat());
    for (int row = 0; row < texture.getHeight(); ++row)
        if (std::fwrite(rowFromTop(texture, row), 1, stride, out) != stride) return "write failed";
    return "";
}

std::string writePng(const kwTexture& texture, std::FILE* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return "libpng could not start";
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return "libpng could not start";
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(texture.getHeight()));
    for (int row = 0; row < texture.getHeight(); ++row)
        rows[std::size_t(row)] = const_cast<png_bytep>(rowFromTop(texture, row));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return "libpng failed to write the image";
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, png_uint_32(texture.getWidth()), png_uint_32(texture.getHeight()), 8,
                 texture.getFormat() == texRGBA ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return "";
}

}  // namespace

OutputKind outputKindFor(const std::string& path) {
    if (endsWith(path, ".png")) return OutputKind::png;
    if (endsWith(path, ".pam")) return OutputKind::pam;
    return OutputKind::unknown;
}

std::string writeImage(const kwTexture& texture, const std::string& path, OutputKind kind) {
    if (kind == OutputKind::png && (texture.getWidth() == 0 || texture.getHeight() == 0))
        return "PNG cannot hold an image of " + std::to_string(texture.getWidth()) + "x" +
               std::to_string(texture.getHeight()) + " pixels";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return std::string("cannot open for writing: ") + std::strerror(errno);
    std::string error = kind == OutputKind::png ? writePng(texture, out) : writePam(texture, out);
    if (std::fclose(out) != 0 && error.empty()) error = "write failed";
    if (!error.empty()) std::remove(path.c_str());
    return error;
}

}  // namespace tool
