#include <ornatex/primitives/GridPlan.h>

#include <cmath>
#include <cstdio>

namespace ornatex {

namespace {

// (stop - start) / step in double precision, rounded to single precision,
// truncated toward zero; kept as a double, which holds it exactly.
double cellCount(float start, float stop, float step) {
    return std::trunc(static_cast<double>(static_cast<float>((static_cast<double>(stop) - start) / step)));
}

std::string format(const char* pattern, double a, double b, double c = 0, double d = 0) {
    char text[200];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

}  // namespace

GridPlan planGrid(float stepU, float stepV, float startU, float startV, float stopU, float stopV) {
    GridPlan plan;
    if (!(stepU > 0.0f) || !(stepV > 0.0f) || !std::isfinite(stepU) || !std::isfinite(stepV)) {
        plan.problem = GridProblem::stepNotPositive;
        plan.reason = format("the step (%g, %g) is not a positive finite number", stepU, stepV);
        return plan;
    }
    if (!std::isfinite(startU) || !std::isfinite(startV) || !std::isfinite(stopU) || !std::isfinite(stopV)) {
        plan.problem = GridProblem::rangeNotFinite;
        plan.reason = format("the range (%g, %g) to (%g, %g) is not finite", startU, startV, stopU, stopV);
        return plan;
    }
    plan.cellsU = cellCount(startU, stopU, stepU);
    plan.cellsV = cellCount(startV, stopV, stepV);
    // One direction of -1 cells leaves no vertex whatever the other holds: the
    // empty grid, which is defined.
    if ((plan.cellsU < -1 || plan.cellsV < -1) && plan.cellsU != -1 && plan.cellsV != -1) {
        plan.problem = GridProblem::stopFarBelowStart;
        plan.reason = format("a stop lies two steps or more below its start (%.0f by %.0f cells)", plan.cellsU,
                             plan.cellsV);
    }
    return plan;
}

}  // namespace ornatex
