#include "ImageWriter.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <filesystem>

#include <tovik/kwOpenFile.h>

#include "PngEncoder.h"
#include "Utf8Path.h"

namespace tool {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::size_t rowBytes(const PixelView& image) {
    return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.channels);
}

// Row `row` counted from the top of the picture.
const unsigned char* rowFromTop(const PixelView& image, int row) {
    return image.pixels + static_cast<std::size_t>(image.height - 1 - row) * rowBytes(image);
}

// "write failed" with the system's reason, when it gave one.
std::string writeFailed(int error) {
    return error ? std::string("write failed: ") + std::strerror(error) : std::string("write failed");
}

std::string writePam(const PixelView& image, std::FILE* out) {
    const bool alpha = image.channels == 4;
    std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.width,
                 image.height, image.channels, alpha ? "RGB_ALPHA" : "RGB");
    const std::size_t stride = rowBytes(image);
    for (int row = 0; row < image.height; ++row)
        if (std::fwrite(rowFromTop(image, row), 1, stride, out) != stride) return writeFailed(errno);
    return "";
}

std::string writePng(const PixelView& image, std::FILE* out) {
    // The encoder counts bytes in int; every image the library decodes fits,
    // but a larger one is refused here rather than overflowing there.
    if (rowBytes(image) + 1 > static_cast<std::size_t>(INT_MAX) / static_cast<std::size_t>(image.height))
        return "the image is too large for the PNG writer (2 GiB of pixels at most)";
    errno = 0;  // the failed fwrite inside leaves its reason here
    if (!encodePng(image.width, image.height, image.channels, rowFromTop(image, 0),
                   -static_cast<long>(rowBytes(image)), out))
        return writeFailed(errno);
    return "";
}

}  // namespace

OutputKind outputKindForPath(const std::string& path) {
    const std::string l = lower(path);
    if (endsWith(l, ".png")) return OutputKind::png;
    if (endsWith(l, ".pam")) return OutputKind::pam;
    return OutputKind::unknown;
}

OutputKind outputKindForName(const std::string& name) {
    const std::string l = lower(name);
    if (l == "png") return OutputKind::png;
    if (l == "pam") return OutputKind::pam;
    return OutputKind::unknown;
}

const char* extensionFor(OutputKind kind) { return kind == OutputKind::pam ? ".pam" : ".png"; }

std::string writeImage(const PixelView& image, const std::string& path, OutputKind kind) {
    if (image.width <= 0 || image.height <= 0 || (image.channels != 3 && image.channels != 4) || !image.pixels)
        return "there are no pixels to write (" + std::to_string(image.width) + "x" + std::to_string(image.height) +
               ")";
    const bool toStdout = path == "-";
    std::error_code ignored;
    std::FILE* out = toStdout ? stdout : kwOpenFile(path.c_str(), "wb");
    if (!out) return std::string("cannot open for writing: ") + std::strerror(errno);
    std::string error = kind == OutputKind::png ? writePng(image, out) : writePam(image, out);
    if (toStdout) {
        if (std::fflush(out) != 0 && error.empty()) error = writeFailed(errno);
        return error;
    }
    if (std::fclose(out) != 0 && error.empty()) error = writeFailed(errno);
    if (!error.empty()) std::filesystem::remove(pathFromUtf8(path), ignored);
    return error;
}

}  // namespace tool
