// Export macro of the corvane library.
#pragma once

#if defined(_WIN32)
#if defined(CORVANE_BUILD)
#define CORVANE_API __declspec(dllexport)
#else
#define CORVANE_API __declspec(dllimport)
#endif
#else
#define CORVANE_API __attribute__((visibility("default")))
#endif
