#include "MappedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <tovik/kwOpenFile.h>

#include "Utf8Path.h"

namespace tool {

namespace {

std::string cannotRead(const std::string& reason) { return "cannot read back the written file: " + reason; }

}  // namespace

MappedFile::~MappedFile() {
#if !defined(_WIN32)
    if (mapped_) munmap(const_cast<unsigned char*>(data_), size_);
#endif
}

std::string MappedFile::open(const std::string& path) {
#if !defined(_WIN32)
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return cannotRead(std::strerror(errno));
    struct stat status;
    if (fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return cannotRead(std::strerror(error));
    }
    size_ = static_cast<std::size_t>(status.st_size);
    if (size_ > 0) {
        int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
        flags |= MAP_POPULATE;  // one call maps every page instead of a fault a page
#endif
        void* at = mmap(nullptr, size_, PROT_READ, flags, fd, 0);
        if (at != MAP_FAILED) {
            data_ = static_cast<const unsigned char*>(at);
            mapped_ = true;
        }
    }
    ::close(fd);
    if (mapped_ || size_ == 0) return std::string();
#endif
    // No mapping: read the file whole.
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(pathFromUtf8(path), ec);
    if (ec) return cannotRead(ec.message());
    std::FILE* in = kwOpenFile(path.c_str(), "rb");
    if (!in) return cannotRead(std::strerror(errno));
    size_ = static_cast<std::size_t>(size);
    read_.reset(new unsigned char[size_ ? size_ : 1]);
    const std::size_t got = std::fread(read_.get(), 1, size_, in);
    std::fclose(in);
    if (got != size_) return cannotRead("it is shorter than written");
    data_ = read_.get();
    return std::string();
}

}  // namespace tool
