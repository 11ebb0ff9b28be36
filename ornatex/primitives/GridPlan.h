// The size of the grid that kwParametric builds for a set of parameters,
// worked out without building it, so that a program can check a grid (or
// refuse it) before asking for one.
//
// Cells in u: (stopU - startU) / stepU, the quotient in double precision,
// rounded to single and truncated toward zero; likewise in v. The grid has
// (cellsU + 1) × (cellsV + 1) vertices and 6 × cellsU × cellsV indices.
// A stop less than two steps below its start gives -1 cells in that
// direction: the grid then has no vertex, whatever the other direction
// holds, and that is not a problem.
#pragma once

#include <ornatex/ornatexExport.h>

#include <string>

namespace ornatex {

// Why a set of parameters defines no grid.
enum class GridProblem {
    none,
    stepNotPositive,   // a step of 0, below 0, infinite or not a number
    rangeNotFinite,    // a start or stop that is infinite or not a number
    stopFarBelowStart  // a stop two steps or more below its start (and no
                       // direction of -1 cells)
};

struct GridPlan {
    // Whole numbers, exact (a single-precision value truncated), so that
    // counts far beyond any memory are still told as they are. 0 when the
    // problem is stepNotPositive or rangeNotFinite.
    double cellsU = 0;
    double cellsV = 0;
    GridProblem problem = GridProblem::none;
    // One line saying what is wrong, with the numbers; empty when the
    // problem is none.
    std::string reason;

    // Whether the grid has at least one vertex.
    bool hasVertices() const { return problem == GridProblem::none && cellsU >= 0 && cellsV >= 0; }
    double vertexCount() const { return hasVertices() ? (cellsU + 1) * (cellsV + 1) : 0; }
    double indexCount() const { return hasVertices() ? 6 * cellsU * cellsV : 0; }
};

// The grid that kwParametric's update builds from these parameters.
ORNATEX_API GridPlan planGrid(float stepU, float stepV, float startU, float startV, float stopU, float stopV);

}  // namespace ornatex
