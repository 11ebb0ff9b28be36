// Export macro of the ornatex library.
#pragma once

#if defined(_WIN32)
#if defined(ORNATEX_BUILD)
#define ORNATEX_API __declspec(dllexport)
#else
#define ORNATEX_API __declspec(dllimport)
#endif
#else
#define ORNATEX_API __attribute__((visibility("default")))
#endif

// Keeps a member of an exported class out of the library's interface.
#if defined(_WIN32)
#define ORNATEX_HIDDEN
#else
#define ORNATEX_HIDDEN __attribute__((visibility("hidden")))
#endif
