// The one place that turns a grid of vertices into triangles (internal, not
// installed). Shapes that are grids (the cone's sectors by rings, the
// parametric surface's rows by columns) say where their vertices lie and
// leave the triangles to this.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ornatex {
namespace detail {

// Which neighbour of a cell's first corner comes second in its first
// triangle; that decides the side from which both triangles of every cell
// wind counter-clockwise.
enum class FirstStep {
    nextRow,     // first, next row, next column; next column, next row, diagonal
    nextColumn,  // first, next column, next row; next row, next column, diagonal
};

// Indices a grid of `columns` by `rows` vertices needs: six per cell.
constexpr std::uint64_t gridIndexCount(std::uint32_t columns, std::uint32_t rows) {
    return columns < 2 || rows < 2 ? 0 : 6 * std::uint64_t(columns - 1) * (rows - 1);
}

// Writes gridIndexCount(columns, rows) indices: the vertices are numbered
// row by row, columns fastest, and the cells follow each other the same
// way. Each index is stored modulo 65536.
void writeGridIndices(unsigned short* out, std::uint32_t columns, std::uint32_t rows, FirstStep first);

}  // namespace detail
}  // namespace ornatex
