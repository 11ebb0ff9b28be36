#include "ImageWriter.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include <tovik/kwOpenFile.h>

#include "AtomicFile.h"
#include "OutputProof.h"
#include "PngEncoder.h"
#include "SgiEncoder.h"
#include "TgaEncoder.h"
#include "TiffEncoder.h"
#include "Utf8Path.h"

namespace tool {

namespace {

WrittenFileHook writtenFileHook = nullptr;

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

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

std::string encode(const PixelView& image, OutputKind kind, std::vector<unsigned char>& out) {
    switch (kind) {
    case OutputKind::png: return encodePngFile(image, out);
    case OutputKind::pam: return encodePam(image, out);
    case OutputKind::tga: return encodeTga(image, out);
    case OutputKind::sgi: return encodeSgi(image, out);
    case OutputKind::tiff: return encodeTiff(image, out);
    case OutputKind::unknown: break;
    }
    return "no output format";
}

// Reads a file whole; returns an empty string or why not.
std::string readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(pathFromUtf8(path), ec);
    if (ec) return "cannot read back the written file: " + ec.message();
    FileHandle in(kwOpenFile(path.c_str(), "rb"), std::fclose);
    if (!in) return std::string("cannot read back the written file: ") + std::strerror(errno);
    bytes.resize(static_cast<std::size_t>(size));
    if (size && std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size())
        return "cannot read back the written file: it is shorter than written";
    return std::string();
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
    std::vector<unsigned char> bytes;
    const std::string refused = encode(image, kind, bytes);
    if (!refused.empty()) return refused;
    const bool engine = isEngineKind(kind);

    if (path == "-" || isSpecialFile(path)) {
        if (engine) {
            const std::string difference = proveEngineFile(kind, bytes, image);
            if (!difference.empty()) return "not written: " + difference;
        }
        return writeInPlace(bytes, path);
    }
    // The encoded bytes are released once on disk; the proof reads the file.
    return replaceFileAtomically(path, std::move(bytes), [&](const std::string& tempPath) {
        if (writtenFileHook) writtenFileHook(tempPath);
        if (!engine) return std::string();
        std::vector<unsigned char> written;
        std::string problem = readWholeFile(tempPath, written);
        if (problem.empty()) problem = proveEngineFile(kind, written, image);
        return problem.empty() ? problem : "not written: " + problem;
    });
}

}  // namespace tool
