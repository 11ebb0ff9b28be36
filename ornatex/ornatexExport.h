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
