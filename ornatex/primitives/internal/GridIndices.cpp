#include "GridIndices.h"

namespace ornatex {
namespace detail {

void writeGridIndices(unsigned short* out, std::uint32_t columns, std::uint32_t rows, FirstStep first) {
    if (columns < 2 || rows < 2) return;
    const std::uint32_t second = first == FirstStep::nextRow ? columns : 1;
    const std::uint32_t third = first == FirstStep::nextRow ? 1 : columns;
    // The first row of cells in full; each further row is the row below it
    // plus one row of vertices. The conversions to unsigned short and the
    // 16-bit additions wrap alike, so every index is its value modulo 65536.
    const std::size_t rowIndices = 6 * std::size_t(columns - 1);
    for (std::uint32_t i = 0; i + 1 < columns; ++i) {
        unsigned short* cell = out + 6 * std::size_t(i);
        cell[0] = static_cast<unsigned short>(i);
        cell[1] = static_cast<unsigned short>(i + second);
        cell[2] = static_cast<unsigned short>(i + third);
        cell[3] = static_cast<unsigned short>(i + third);
        cell[4] = static_cast<unsigned short>(i + second);
        cell[5] = static_cast<unsigned short>(i + second + third);
    }
    for (std::uint32_t j = 1; j + 1 < rows; ++j) {
        const unsigned short offset = static_cast<unsigned short>(j * columns);
        unsigned short* row = out + j * rowIndices;
        for (std::size_t k = 0; k < rowIndices; ++k) row[k] = static_cast<unsigned short>(out[k] + offset);
    }
}

}  // namespace detail
}  // namespace ornatex
