// Where a decoder's trace text goes, internal to ornatex: standard output
// for the loaders, the caller's DecodeTrace for the public decoders, or
// nowhere.
#pragma once

#include <ornatex/decode.h>

#include <cstddef>
#include <string>

#include "Outcome.h"

namespace ornatex::detail {

class TextSink {
public:
    virtual ~TextSink() = default;
    // False when the text goes nowhere: callers may skip formatting it.
    virtual bool enabled() const { return true; }
    virtual void write(const char* text, std::size_t length) = 0;
    // Formats one piece of text like printf (up to 255 bytes) and writes it.
    void print(const char* format, ...) ORNATEX_PRINTF_LIKE(2, 3);
    // Writes a whole piece of text, if there is any.
    void put(const std::string& text) {
        if (!text.empty()) write(text.data(), text.size());
    }
};

// Standard output, through the C stream (the bytes printf would write).
class StdoutSink : public TextSink {
public:
    void write(const char* text, std::size_t length) override;
};

// The caller's trace function from DecodeLimits; disabled when it is null.
class TraceSink : public TextSink {
public:
    explicit TraceSink(const DecodeLimits& limits) : trace_(limits.trace), context_(limits.traceContext) {}
    bool enabled() const override { return trace_ != nullptr; }
    void write(const char* text, std::size_t length) override {
        if (trace_) trace_(text, length, context_);
    }

private:
    DecodeTrace trace_;
    void* context_;
};

}  // namespace ornatex::detail
