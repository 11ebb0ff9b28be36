#include "HugePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace ornatex::detail {

void adviseHugePages(unsigned char* block, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t huge = hugePageSize;
    if (size < 2 * huge) return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + huge - 1) & ~(huge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(huge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace ornatex::detail
