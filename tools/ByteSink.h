// Where an encoder's bytes go: a file being written, or memory.
#pragma once

#include <cstddef>
#include <vector>

namespace tool {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends the bytes; false when they could not all be written (the sink
    // that knows why keeps the reason).
    virtual bool put(const unsigned char* data, std::size_t size) = 0;
};

// Collects the bytes in memory.
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    bool put(const unsigned char* data, std::size_t size) override {
        bytes_.insert(bytes_.end(), data, data + size);
        return true;
    }

private:
    std::vector<unsigned char>& bytes_;
};

}  // namespace tool
