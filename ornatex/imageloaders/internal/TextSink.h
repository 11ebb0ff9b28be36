// Where a decoder's trace text goes, internal to ornatex: standard output
// for the loaders, the caller's DecodeTrace for the public decoders, or
// nowhere.
#pragma once

#include <ornatex/decode.h>

#include <cstddef>

namespace ornatex {

class TextSink {
public:
    virtual ~TextSink() = default;
    // False when the text goes nowhere: callers may skip formatting it.
    virtual bool enabled() const { return true; }
    virtual void write(const char* text, std::size_t length) = 0;
    // Formats one piece of text like printf (up to 255 bytes) and writes it.
    void print(const char* format, ...)
// mingw formats with its own C99 printf (__USE_MINGW_ANSI_STDIO), whose
// formats gnu_printf names; plain printf there means msvcrt's.
#if defined(__MINGW32__)
        __attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
};

struct Outcome;

// Writes the line a loader prints for a refusal: for `printed`, the
// outcome's loaderLine or "<format> file refused: <reason>"; for
// `tgaImageType`, loadTGAraw's unsupported-format line. Other refusals print
// nothing.
void printRefusal(TextSink& sink, const char* format, const Outcome& outcome);

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

}  // namespace ornatex
