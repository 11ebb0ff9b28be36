// Transparent huge-page advice for large blocks, internal to ornatex. A
// block touched page by page for the first time is then faulted in a few
// dozen steps instead of thousands. Only Linux has the advice; elsewhere
// the calls do nothing.
#pragma once

#include <cstddef>

namespace ornatex::detail {

constexpr std::size_t hugePageSize = std::size_t(2) << 20;

// Advises the 2 MiB-aligned interior of the block. Changes no byte; the
// kernel may refuse. Blocks under 4 MiB are left alone.
void adviseHugePages(unsigned char* block, std::size_t size);

}  // namespace ornatex::detail
