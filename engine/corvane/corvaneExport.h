// Export macro of the corvane library.
#pragma once

// The headers need C++17: an older standard is told so plainly here instead
// of meeting errors from deep inside them (std::align_val_t and the like).
// MSVC keeps __cplusplus at 199711L unless /Zc:__cplusplus is given;
// _MSVC_LANG holds the standard it compiles.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "corvane needs C++17 or later: compile with -std=c++17 (MSVC: /std:c++17)"
#endif

#if defined(_WIN32)
#if defined(CORVANE_BUILD)
#define CORVANE_API __declspec(dllexport)
#else
#define CORVANE_API __declspec(dllimport)
#endif
#else
#define CORVANE_API __attribute__((visibility("default")))
#endif
