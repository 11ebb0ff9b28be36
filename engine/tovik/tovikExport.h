// Export macro of the tovik library.
#pragma once

#if defined(_WIN32)
#if defined(TOVIK_BUILD)
#define TOVIK_API __declspec(dllexport)
#else
#define TOVIK_API __declspec(dllimport)
#endif
#else
#define TOVIK_API __attribute__((visibility("default")))
#endif
