// Include in exactly one source file of a module that must export the inline
// members of kwStream (see kwStream.h). Taking their addresses in a variable
// the compiler must keep makes it emit their out-of-line copies, which
// KWSTREAM_INLINE_EXPORT gives default visibility.
#pragma once

#include <tovik/kwStream.h>

namespace kwStreamExports {

struct Members {
    void (kwStream::*readChunk)(void*, int);
    void (kwStream::*writeChunk)(const void*, int);
    bool (*isBigEndian)();
    void (*swap)(void*, unsigned int);
};

#if defined(__GNUC__)
__attribute__((used))
#endif
static const Members members = {&kwStream::readChunk, &kwStream::writeChunk, &kwStream::isBigEndian,
                                &kwStream::swap};

}  // namespace kwStreamExports
