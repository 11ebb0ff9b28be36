// Elapsed time between updates, read from the performance counter.
// Internal to interceptor.
#pragma once

namespace interceptor {

// Largest step one update applies, in seconds: after a stall (a dragged
// window, a debugger) the flight resumes instead of jumping.
constexpr double maxStepSeconds = 0.1;

// Seconds since the counter value in `lastTick`, capped at maxStepSeconds,
// and stores the current value there. The first call (lastTick 0) only
// samples the counter and returns 0.
double elapsedSince(long long& lastTick);

}  // namespace interceptor
