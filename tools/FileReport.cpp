#include "FileReport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <tovik/kwOpenFile.h>

#include "ImageImport.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ConsoleIo.h"
#include "Utf8Path.h"

namespace tool {

namespace {

// The largest file read, as the library's own file reader allows.
constexpr std::uint64_t maxFileBytes = 2147483647u;

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

void writeTrace(const char* text, std::size_t length, void* context) {
    std::fwrite(text, 1, length, static_cast<std::FILE*>(context));
}

// The next size to grow to when `bytes` is full, or 0 past the largest file.
std::size_t grownSize(const FileBytes& bytes) {
    if (bytes.capacity() > maxFileBytes) return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(2 * std::uint64_t(bytes.capacity()), maxFileBytes + 1));
}

// Reads the whole stream straight into `bytes`; returns an empty string or
// why it failed.
std::string readAll(std::FILE* in, FileBytes& bytes, bool& unreadable) {
    std::size_t used = 0;
    bytes.setSize(0);
    bytes.reserve(65536);
    for (;;) {
        if (used == bytes.capacity()) {
            const std::size_t grown = grownSize(bytes);
            if (grown == 0) return "the file is larger than 2 GiB";
            bytes.reserve(grown);
        }
        const std::size_t n = std::fread(bytes.data() + used, 1, bytes.capacity() - used, in);
        used += n;
        bytes.setSize(used);
        if (n == 0 || used < bytes.capacity()) {
            if (std::feof(in) || std::ferror(in)) break;
        }
    }
    if (used > maxFileBytes) return "the file is larger than 2 GiB";
    if (!std::ferror(in)) return std::string();
    unreadable = true;
    return std::string("cannot read: ") + std::strerror(errno);
}

#if !defined(_WIN32)
// Reads a regular file in as few calls as the system allows: open, fstat,
// one read of the size fstat gave (asking one byte more, so that a file that
// grew since is read on), close. A tree of thousands of small files is
// mostly calls, and every call counts on a loaded or virtual machine.
std::string readPosixFile(const std::string& path, FileBytes& bytes, bool& unreadable) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        unreadable = true;
        return std::string("cannot read: ") + std::strerror(errno);
    }
    const std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* f) {
        ::close(*f);
        delete f;
    });
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        unreadable = true;
        return std::string("cannot read: ") + std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) return "is a folder (check walks folders)";
    const bool regular = S_ISREG(st.st_mode);
    const std::uint64_t expected = regular ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (expected > maxFileBytes) return "the file is larger than 2 GiB";
    bytes.setSize(0);
    bytes.reserve(regular ? static_cast<std::size_t>(expected) + 1 : 65536);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.capacity()) {
            const std::size_t grown = grownSize(bytes);
            if (grown == 0) return "the file is larger than 2 GiB";
            bytes.reserve(grown);
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.capacity() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            unreadable = true;
            return std::string("cannot read: ") + std::strerror(errno);
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
        bytes.setSize(used);
        // A read that asked for more than the file held and got exactly its
        // size has met the end: no second read to hear it.
        if (regular && used == expected && used < bytes.capacity()) break;
    }
    if (used > maxFileBytes) return "the file is larger than 2 GiB";
    return std::string();
}
#endif

// Opens and reads the file with as few calls as possible (open, read to
// the end, close): a tree of thousands of small files is mostly calls.
// `unreadable` is set when the system refused to open or read the file.
std::string readFile(const std::string& path, FileBytes& bytes, bool& unreadable) {
    if (path == "-") {
        setBinaryMode(stdin);
        return readAll(stdin, bytes, unreadable);
    }
#if defined(_WIN32)
    std::error_code ec;
    FileHandle in(kwOpenFile(path.c_str(), "rb"), std::fclose);
    if (!in) {
        const int openError = errno;
        if (std::filesystem::is_directory(pathFromUtf8(path), ec)) return "is a folder (check walks folders)";
        unreadable = true;
        return std::string("cannot read: ") + std::strerror(openError);
    }
    std::setvbuf(in.get(), nullptr, _IONBF, 0);  // reads go straight into `bytes`
    const std::string error = readAll(in.get(), bytes, unreadable);
    if (!error.empty() && std::filesystem::is_directory(pathFromUtf8(path), ec)) {
        unreadable = false;
        return "is a folder (check walks folders)";
    }
    return error;
#else
    return readPosixFile(path, bytes, unreadable);
#endif
}

std::string lowerExtension(const std::string& path) {
    std::string ext = utf8FromPath(pathFromUtf8(path).extension());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

}  // namespace

FileReport examineFile(const std::string& path, std::FILE* trace, ornatex::Image* keep, bool askConvert) {
    FileReport report;
    report.path = path;
    thread_local FileBytes bytes;
    struct Trim {
        FileBytes& bytes;
        ~Trim() { bytes.trim(); }
    } trimAfterUse{bytes};
    const std::string readError = readFile(path, bytes, report.unreadable);
    report.fileSize = bytes.size();
    if (!readError.empty()) {
        report.code = ornatex::Refusal::cannotRead;
        report.error = readError;
        return report;
    }
    report.info = ornatex::inspect(bytes.data(), bytes.size());
    ornatex::DecodeLimits limits;
    if (trace) {
        limits.trace = writeTrace;
        limits.traceContext = trace;
    }
    ornatex::Image image = ornatex::decode(bytes.data(), bytes.size(), limits);
    if (trace) std::fflush(trace);
    report.ok = image.ok();
    report.code = image.refusal();
    if (report.ok) report.decodedChannels = image.format() == texRGBA ? 4 : 3;
    else report.error = image.error();
    if (askConvert && !report.ok) {
        ImportOptions readability;
        readability.keepPixels = false;  // only whether convert would read it
        report.convertible = importImage(bytes.data(), bytes.size(), readability).ok();
    }
    if (keep) *keep = std::move(image);
    return report;
}

std::string readFileBytes(const std::string& path, FileBytes& bytes) {
    bool unreadable = false;
    return readFile(path, bytes, unreadable);
}

std::string readFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
    bool unreadable = false;
    FileBytes read;
    const std::string error = readFile(path, read, unreadable);
    bytes.assign(read.data(), read.data() + read.size());
    return error;
}

FileReport notAnImage(const std::string& path, std::uint64_t fileSize) {
    FileReport report;
    report.path = path;
    report.image = false;
    report.fileSize = fileSize;
    report.code = ornatex::Refusal::notAnImage;
    report.error = ornatex::refusalText(ornatex::Refusal::notAnImage);
    return report;
}

FileReport unreadable(const std::string& path, const std::string& reason) {
    FileReport report;
    report.path = path;
    report.unreadable = true;
    report.code = ornatex::Refusal::cannotRead;
    report.error = "cannot read: " + reason;
    return report;
}

bool hasImageExtension(const std::string& path) {
    static const char* const extensions[] = {".tga", ".icb", ".vda", ".vst", ".tpic", ".tif", ".tiff",
                                             ".rgb", ".rgba", ".bw",  ".sgi", ".int", ".inta"};
    const std::string ext = lowerExtension(path);
    for (const char* known : extensions)
        if (ext == known) return true;
    return false;
}

bool isImageCandidate(const std::string& path) {
    if (hasImageExtension(path)) return true;
    // Images of other kinds, which the loaders do not take but convert can
    // bring in: examined so that the summary can say so.
    static const char* const importable[] = {".png", ".jpg", ".jpeg", ".bmp", ".gif", ".psd",
                                             ".pnm", ".ppm", ".pgm", ".pbm", ".hdr"};
    const std::string ext = lowerExtension(path);
    for (const char* known : importable)
        if (ext == known) return true;

    FileHandle in(kwOpenFile(path.c_str(), "rb"), std::fclose);
    if (!in) return true;  // decoding it will say why it cannot be read
    // A TGA has no signature; its header is plausible or not by its first 18
    // bytes and whether the file holds the ID and colour map it announces:
    // at most 18 + 255 + 65535 * 4 bytes, so a prefix that long (or the
    // whole file when shorter) answers as the whole file would.
    constexpr std::size_t tgaHeaderRoom = 18 + 255 + 65535 * 4;
    std::vector<unsigned char> head(tgaHeaderRoom);
    head.resize(std::fread(head.data(), 1, head.size(), in.get()));
    if (ornatex::formatOf(head.data(), head.size()) != ornatex::ImageFormat::none) return true;
    unsigned char tail[18] = {};
    const bool haveTail = std::fseek(in.get(), -static_cast<long>(sizeof tail), SEEK_END) == 0 &&
                          std::fread(tail, 1, sizeof tail, in.get()) == sizeof tail;
    return haveTail && ornatex::formatBySignature(head.data(), head.size(), tail, sizeof tail) != ornatex::ImageFormat::none;
}

const char* originName(ornatex::ImageOrigin origin) {
    switch (origin) {
        case ornatex::ImageOrigin::bottomLeft: return "bottom-left";
        case ornatex::ImageOrigin::bottomRight: return "bottom-right";
        case ornatex::ImageOrigin::topLeft: return "top-left";
        case ornatex::ImageOrigin::topRight: return "top-right";
    }
    return "bottom-left";
}

}  // namespace tool
