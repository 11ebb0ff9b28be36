// Class-level allocation on 16-byte boundaries, used by the node classes,
// the render attributes and kw::vector. KW_ALIGNED_NEW inside a class body
// gives it an operator new/delete pair that always match.
#pragma once

#include <corvane/corvaneExport.h>  // std::align_val_t is C++17
#include <cstddef>
#include <new>

namespace kw {
constexpr std::size_t classAlignment = 16;

inline void* alignedAllocate(std::size_t size) {
    return ::operator new(size, std::align_val_t(classAlignment));
}

inline void alignedRelease(void* p) noexcept {
    ::operator delete(p, std::align_val_t(classAlignment));
}
}  // namespace kw

#define KW_ALIGNED_NEW                                                              \
    static void* operator new(std::size_t size) { return kw::alignedAllocate(size); } \
    static void operator delete(void* p) noexcept { kw::alignedRelease(p); }
