#include "WorkerThreads.h"

#include <atomic>
#include <cstddef>
#include <vector>

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#define ORNATEX_TOOL_WIN32_THREADS 1
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace tool {

namespace {

struct Shared {
    const std::function<void()>* task;
    std::atomic<unsigned> finished{0};
};

void runTask(Shared& shared) {
    (*shared.task)();
    shared.finished.fetch_add(1);
}

#ifdef ORNATEX_TOOL_WIN32_THREADS
DWORD WINAPI threadEntry(LPVOID context) {
    runTask(*static_cast<Shared*>(context));
    return 0;
}
#endif

}  // namespace

unsigned coreCount() {
#ifdef ORNATEX_TOOL_WIN32_THREADS
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<unsigned>(info.dwNumberOfProcessors) : 1u;
#else
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1u;
#endif
}

void runOnThreads(unsigned count, const std::function<void()>& task, const std::function<void()>& tick) {
    if (count == 0) count = 1;
    Shared shared;
    shared.task = &task;
    // Without a display to keep up, this thread takes one of the runs.
    const unsigned started = tick ? count : count - 1;
#ifdef ORNATEX_TOOL_WIN32_THREADS
    std::vector<HANDLE> threads;
    for (unsigned t = 0; t < started; ++t) {
        HANDLE h = CreateThread(nullptr, 0, threadEntry, &shared, 0, nullptr);
        if (h) threads.push_back(h);
        else runTask(shared);  // no thread to be had: run it here
    }
#else
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < started; ++t) threads.emplace_back([&shared] { runTask(shared); });
#endif
    if (!tick) {
        runTask(shared);
    } else {
        while (shared.finished.load() < count) {
            tick();
#ifdef ORNATEX_TOOL_WIN32_THREADS
            Sleep(100);
#else
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
#endif
        }
    }
#ifdef ORNATEX_TOOL_WIN32_THREADS
    for (HANDLE h : threads) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
#else
    for (std::thread& t : threads) t.join();
#endif
}

}  // namespace tool
