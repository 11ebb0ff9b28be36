// Export macro of the moorlat library. MOORLAT_INLINE_EXPORT gives inline
// members default visibility, overriding -fvisibility-inlines-hidden, so a
// module that emits an out-of-line copy can export it.
#pragma once

#if defined(_WIN32)
#if defined(MOORLAT_BUILD)
#define MOORLAT_API __declspec(dllexport)
#else
#define MOORLAT_API __declspec(dllimport)
#endif
// Windows: each module that emits a copy keeps it and exports it.
#define MOORLAT_INLINE_EXPORT __declspec(dllexport)
#else
#define MOORLAT_API __attribute__((visibility("default")))
#define MOORLAT_INLINE_EXPORT __attribute__((visibility("default")))
#endif
