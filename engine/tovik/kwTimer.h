// A period timer on the performance counter. The constructor stores the
// counter's frequency and samples the start; callers read and write the
// four fields directly.
#pragma once

#include <cstdint>

#include <tovik/tovikExport.h>

class TOVIK_API kwTimer {
public:
    kwTimer();
    virtual ~kwTimer();

    // Samples the counter into stopCount and sets elapsed (seconds) since startCount.
    void stop();
    // Samples the counter into startCount.
    void start();

    std::int64_t startCount = 0;
    std::int64_t stopCount = 0;
    std::int64_t frequency = 0;  // ticks per second
    double elapsed = 0.0;         // seconds
};
