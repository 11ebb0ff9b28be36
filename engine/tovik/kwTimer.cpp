#include <tovik/kwTimer.h>

#include <win32/win32.h>

kwTimer::kwTimer() {
    LARGE_INTEGER value{};
    QueryPerformanceFrequency(&value);
    frequency = value.QuadPart;
    start();
}

kwTimer::~kwTimer() = default;

void kwTimer::start() {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    startCount = value.QuadPart;
}

void kwTimer::stop() {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    stopCount = value.QuadPart;
    elapsed = frequency ? static_cast<double>(stopCount - startCount) / static_cast<double>(frequency) : 0.0;
}
