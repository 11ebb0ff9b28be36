#include <interceptor/FrameClock.h>

#include <algorithm>

#include <win32/win32.h>

namespace interceptor {

double elapsedSince(long long& lastTick) {
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    const long long previous = lastTick;
    lastTick = now.QuadPart ? now.QuadPart : 1;
    if (previous == 0 || frequency.QuadPart <= 0 || now.QuadPart <= previous) return 0.0;
    const double seconds = double(now.QuadPart - previous) / double(frequency.QuadPart);
    return std::min(seconds, maxStepSeconds);
}

}  // namespace interceptor
