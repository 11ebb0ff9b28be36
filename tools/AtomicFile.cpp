#include "AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <string>
#include <utility>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "Utf8Path.h"

namespace tool {

namespace fs = std::filesystem;

namespace {

const char* const tempPrefix = ".";
const char* const tempTag = ".ornatex-";
const char* const tempSuffix = ".tmp";

#if defined(_WIN32)
int openExclusive(const fs::path& p) {
    return _wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
long long writeSome(int fd, const unsigned char* data, std::size_t n) {
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30)));
}
int closeFile(int fd) { return _close(fd); }
int processId() { return _getpid(); }
#else
int openExclusive(const fs::path& p) { return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
long long writeSome(int fd, const unsigned char* data, std::size_t n) {
    return ::write(fd, data, std::min<std::size_t>(n, std::size_t(1) << 30));
}
int closeFile(int fd) { return ::close(fd); }
int processId() { return static_cast<int>(::getpid()); }
#endif

// Eight hex digits that differ between processes and between calls.
std::string uniqueTag() {
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    const unsigned mixed = device() ^ static_cast<unsigned>(now) ^ (static_cast<unsigned>(processId()) << 16) ^
                           (counter.fetch_add(1) * 0x9e3779b9u);
    char text[9];
    std::snprintf(text, sizeof text, "%08x", mixed);
    return text;
}

std::string systemReason(int error) { return error ? std::strerror(error) : "unknown error"; }

// Writes straight to the file descriptor: the encoders hand over large
// slices, so a buffer in between would only copy them.
class FileSink : public ByteSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    bool put(const unsigned char* at, std::size_t left) override {
        while (left > 0 && error_ == 0) {
            const long long n = writeSome(fd_, at, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                error_ = n < 0 ? errno : ENOSPC;
                break;
            }
            at += n;
            left -= static_cast<std::size_t>(n);
        }
        return error_ == 0;
    }
    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

bool renameOver(const fs::path& from, const fs::path& to, std::string& reason) {
#if defined(_WIN32)
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    reason = std::system_category().message(static_cast<int>(GetLastError()));
    return false;
#else
    std::error_code ec;
    fs::rename(from, to, ec);  // rename(2): atomic on one filesystem
    if (!ec) return true;
    reason = ec.message();
    return false;
#endif
}

}  // namespace

bool isTemporaryName(const std::string& name) {
    const std::size_t prefix = std::strlen(tempPrefix), tag = std::strlen(tempTag), suffix = std::strlen(tempSuffix);
    if (name.size() < prefix + tag + 8 + suffix || name.compare(0, prefix, tempPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, tempSuffix) != 0)
        return false;
    return name.compare(name.size() - suffix - 8 - tag, tag, tempTag) == 0;
}

std::string replaceFileAtomically(const std::string& path, const FileProducer& produce, const TempFileCheck& check) {
    fs::path destination = pathFromUtf8(path);
    std::error_code ec;
    // A link to a file: the file it names is replaced, as a write through the link would.
    if (fs::is_symlink(destination, ec) && fs::exists(destination, ec)) {
        fs::path target = fs::canonical(destination, ec);
        if (!ec) destination = std::move(target);
    }
    const fs::path folder = destination.parent_path();
    const std::string name = utf8FromPath(destination.filename());

    fs::path temp;
    int fd = -1, openError = 0;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder / pathFromUtf8(tempPrefix + name + tempTag + uniqueTag() + tempSuffix);
        fd = openExclusive(temp);
        openError = fd < 0 ? errno : 0;
        if (fd < 0 && openError != EEXIST) break;
    }
    if (fd < 0) return "cannot open for writing: " + systemReason(openError);

    FileSink sink(fd);
    std::string outcome;
    try {
        outcome = produce(sink);
    } catch (const std::bad_alloc&) {
        outcome = "not enough memory to encode the image";
    }
    int error = sink.error();
    if (closeFile(fd) != 0 && error == 0) error = errno;  // a network filesystem may report a full disk only here
    if (error != 0) outcome = "write failed: " + systemReason(error);
    try {
        if (outcome.empty()) outcome = check(utf8FromPath(temp));
    } catch (const std::bad_alloc&) {
        outcome = "not enough memory to read the written file back";
    }
    if (outcome.empty()) {
        const fs::file_status old = fs::status(destination, ec);
        if (!ec && fs::is_regular_file(old)) fs::permissions(temp, old.permissions(), ec);
        std::string reason;
        if (!renameOver(temp, destination, reason)) outcome = "cannot replace the file: " + reason;
    }
    if (!outcome.empty()) fs::remove(temp, ec);
    return outcome;
}

}  // namespace tool
