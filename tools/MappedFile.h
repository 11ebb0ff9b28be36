// A written file's bytes, to be read back: mapped into memory where the
// system allows it (the page cache's own pages, no copy), else read whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tool {

class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Maps (or reads) the file named by the UTF-8 path. Returns an empty
    // string, or why it cannot be read.
    std::string open(const std::string& path);
    const unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    std::unique_ptr<unsigned char[]> read_;  // where the file was read, when not mapped
};

}  // namespace tool
