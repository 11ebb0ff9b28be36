// The Windows types in kwEventWindow's window procedure, under corvane's
// own names in namespace kw, so that corvane's headers put no Windows names
// in the global namespace: a program may define HWND or BOOL itself (X11's
// Xmd.h defines BOOL) and still include them. On Windows they are the types
// of <windows.h>; elsewhere they are the very types that the engine's
// win32.h names HWND, UINT, WPARAM, LPARAM and LRESULT, so a window
// procedure written with those names overrides this one.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kw {
using HWND = ::HWND;
using UINT = ::UINT;
using WPARAM = ::WPARAM;
using LPARAM = ::LPARAM;
using LRESULT = ::LRESULT;
}  // namespace kw

#else
#include <cstdint>

namespace kw {
using HWND = void*;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
}  // namespace kw

#endif
