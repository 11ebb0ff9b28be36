// The few Windows interfaces the system uses. On Windows this is <windows.h>;
// elsewhere it defines the same names: the performance counter (a monotonic
// clock in nanosecond ticks), the message types and the virtual-key codes.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else

#include <cstdint>
#include <ctime>

typedef int BOOL;
typedef unsigned int UINT;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef void* HWND;

union LARGE_INTEGER {
    struct {
        std::uint32_t LowPart;
        std::int32_t HighPart;
    } u;
    std::int64_t QuadPart;
};

// Ticks of CLOCK_MONOTONIC in nanoseconds.
inline BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    timespec ts;
    if (!count || clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    count->QuadPart = static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    return 1;
}

inline BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return 0;
    frequency->QuadPart = 1000000000LL;
    return 1;
}

// Window messages for key presses, as the window procedure receives them.
enum : UINT {
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_MOUSEMOVE = 0x0200,
    WM_SIZE = 0x0005,
    WM_CLOSE = 0x0010,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
};

// Mouse message flags in wParam: which buttons are held.
enum : UINT {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010,
};

// Virtual-key codes used by the system.
enum : UINT {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_F1 = 0x70,
};

#endif
