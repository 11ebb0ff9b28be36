#include "ImageWriter.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <utility>
#include <vector>

#include <tovik/kwOpenFile.h>

#include "AtomicFile.h"
#include "ByteSink.h"
#include "MappedFile.h"
#include "OutputProof.h"
#include "PngEncoder.h"
#include "SgiEncoder.h"
#include "TgaEncoder.h"
#include "TiffEncoder.h"
#include "Utf8Path.h"

namespace tool {

namespace {

WrittenFileHook writtenFileHook = nullptr;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "write failed" with the system's reason, when it gave one.
std::string writeFailed(int error) {
    return error ? std::string("write failed: ") + std::strerror(error) : std::string("write failed");
}

// PAM and PNG are written top row first, as viewers expect.
std::string encodePam(const PixelView& image, std::vector<unsigned char>& out) {
    const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                               std::to_string(image.height) + "\nDEPTH " + std::to_string(image.channels) +
                               "\nMAXVAL 255\nTUPLTYPE " + (image.channels == 4 ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
    const std::size_t stride = image.rowBytes();
    out.reserve(header.size() + stride * static_cast<std::size_t>(image.height));
    out.assign(header.begin(), header.end());
    for (int row = image.height - 1; row >= 0; --row) out.insert(out.end(), image.row(row), image.row(row) + stride);
    return std::string();
}

std::string encodePngFile(const PixelView& image, std::vector<unsigned char>& out) {
    // The encoder counts bytes in int; every image the library decodes fits,
    // but a larger one is refused here rather than overflowing there.
    if (image.rowBytes() + 1 > static_cast<std::size_t>(INT_MAX) / static_cast<std::size_t>(image.height))
        return "the image is too large for the PNG writer (2 GiB of pixels at most)";
    if (!encodePng(image.width, image.height, image.channels, image.row(image.height - 1),
                   -static_cast<long>(image.rowBytes()), out))
        return "the PNG encoder failed";
    return std::string();
}

// Writes the file to `out`: TGA, the format of large textures, streams a
// slice at a time; the others are put together in memory first.
std::string encode(const PixelView& image, OutputKind kind, ByteSink& out) {
    if (kind == OutputKind::tga) return encodeTga(image, out);
    std::vector<unsigned char> bytes;
    std::string refused = "no output format";
    switch (kind) {
    case OutputKind::png: refused = encodePngFile(image, bytes); break;
    case OutputKind::pam: refused = encodePam(image, bytes); break;
    case OutputKind::sgi: refused = encodeSgi(image, bytes); break;
    case OutputKind::tiff: refused = encodeTiff(image, bytes); break;
    default: break;
    }
    if (refused.empty() && !out.put(bytes.data(), bytes.size())) refused = "write failed";
    return refused;
}

// Standard output, a terminal, a pipe or a device: written in place, since
// none can be renamed over.
std::string writeInPlace(const std::vector<unsigned char>& bytes, const std::string& path) {
    std::FILE* out = path == "-" ? stdout : kwOpenFile(path.c_str(), "wb");
    if (!out) return std::string("cannot open for writing: ") + std::strerror(errno);
    errno = 0;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    int error = errno;
    if (std::fflush(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (out != stdout && std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok ? std::string() : writeFailed(error);
}

// True for an existing destination that is neither a regular file nor a
// link to one (a device such as /dev/null, a named pipe).
bool isSpecialFile(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(pathFromUtf8(path), ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

}  // namespace

OutputKind outputKindForPath(const std::string& path) {
    const std::string l = lower(path);
    if (endsWith(l, ".png")) return OutputKind::png;
    if (endsWith(l, ".pam")) return OutputKind::pam;
    if (endsWith(l, ".tga")) return OutputKind::tga;
    if (endsWith(l, ".sgi") || endsWith(l, ".rgb")) return OutputKind::sgi;
    if (endsWith(l, ".tif") || endsWith(l, ".tiff")) return OutputKind::tiff;
    return OutputKind::unknown;
}

OutputKind outputKindForName(const std::string& name) {
    const std::string l = lower(name);
    if (l == "png") return OutputKind::png;
    if (l == "pam") return OutputKind::pam;
    if (l == "tga") return OutputKind::tga;
    if (l == "sgi") return OutputKind::sgi;
    if (l == "tiff") return OutputKind::tiff;
    return OutputKind::unknown;
}

const char* extensionFor(OutputKind kind) {
    switch (kind) {
    case OutputKind::pam: return ".pam";
    case OutputKind::tga: return ".tga";
    case OutputKind::sgi: return ".sgi";
    case OutputKind::tiff: return ".tif";
    default: return ".png";
    }
}

bool isEngineKind(OutputKind kind) {
    return kind == OutputKind::tga || kind == OutputKind::sgi || kind == OutputKind::tiff;
}

void setWrittenFileHookForTesting(WrittenFileHook hook) { writtenFileHook = hook; }

std::string writeImage(const PixelView& image, const std::string& path, OutputKind kind) {
    if (image.width <= 0 || image.height <= 0 || (image.channels != 3 && image.channels != 4) || !image.pixels)
        return "there are no pixels to write (" + std::to_string(image.width) + "x" + std::to_string(image.height) +
               ")";
    const bool engine = isEngineKind(kind);
    if (path == "-" || isSpecialFile(path)) {
        std::vector<unsigned char> bytes;
        try {
            VectorSink memory(bytes);
            const std::string refused = encode(image, kind, memory);
            if (!refused.empty()) return refused;
            if (engine) {
                const std::string difference = proveEngineFile(kind, bytes.data(), bytes.size(), image);
                if (!difference.empty()) return "not written: " + difference;
            }
        } catch (const std::bad_alloc&) {
            return "not enough memory to encode the image";
        }
        return writeInPlace(bytes, path);
    }
    // The proof reads the file as written, not the bytes meant for it.
    return replaceFileAtomically(
        path, [&](ByteSink& out) { return encode(image, kind, out); },
        [&](const std::string& tempPath) {
            if (writtenFileHook) writtenFileHook(tempPath);
            if (!engine) return std::string();
            MappedFile written;
            std::string problem = written.open(tempPath);
            if (problem.empty()) problem = proveEngineFile(kind, written.data(), written.size(), image);
            return problem.empty() ? problem : "not written: " + problem;
        });
}

}  // namespace tool
