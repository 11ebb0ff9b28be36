// Running one task on several threads. std::thread where the standard
// library has it; Win32 threads where it does not (mingw-w64's "win32"
// thread model), so that the tool builds with either cross compiler.
#pragma once

#include <functional>

namespace tool {

// Runs `task` on `count` threads at once and returns when every run has
// returned. With `tick`, this thread only calls `tick` about every 100 ms
// until then (a progress display); without it, this thread is one of the
// `count`.
// The number of cores (at least 1).
unsigned coreCount();

void runOnThreads(unsigned count, const std::function<void()>& task, const std::function<void()>& tick = nullptr);

}  // namespace tool
