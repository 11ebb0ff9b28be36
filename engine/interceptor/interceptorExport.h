// Export macro of the interceptor library. INTERCEPTOR_INLINE_EXPORT gives
// inline members default visibility, overriding -fvisibility-inlines-hidden,
// so a module that emits an out-of-line copy can export it.
#pragma once

#if defined(_WIN32)
#if defined(INTERCEPTOR_BUILD)
#define INTERCEPTOR_API __declspec(dllexport)
#else
#define INTERCEPTOR_API __declspec(dllimport)
#endif
// Windows: each module that emits a copy keeps it and exports it.
#define INTERCEPTOR_INLINE_EXPORT __declspec(dllexport)
#else
#define INTERCEPTOR_API __attribute__((visibility("default")))
#define INTERCEPTOR_INLINE_EXPORT __attribute__((visibility("default")))
#endif
