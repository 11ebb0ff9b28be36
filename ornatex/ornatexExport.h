// Export macro of the ornatex library.
#pragma once

// The headers need C++17: an older standard is told so plainly here instead
// of meeting errors from deep inside them (std::align_val_t and the like).
// MSVC keeps __cplusplus at 199711L unless /Zc:__cplusplus is given;
// _MSVC_LANG holds the standard it compiles.
#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "ornatex needs C++17 or later: compile with -std=c++17 (MSVC: /std:c++17)"
#endif

// ORNATEX_STATIC: the program links the library's objects statically (the
// project's own test library), so on Windows nothing is imported from a DLL.
#if defined(_WIN32)
#if defined(ORNATEX_STATIC)
#define ORNATEX_API
#elif defined(ORNATEX_BUILD)
#define ORNATEX_API __declspec(dllexport)
#else
#define ORNATEX_API __declspec(dllimport)
#endif
#else
#define ORNATEX_API __attribute__((visibility("default")))
#endif

// A class some of whose members stay out of the library's interface:
//   class ORNATEX_CLASS_API kwSphere {
//       ORNATEX_MEMBER_API kwSphere(float);   // exported
//       ORNATEX_HIDDEN void makeSphere();      // not exported
//   };
// On ELF the class is exported whole and ORNATEX_HIDDEN takes a member out.
// A DLL cannot leave out a member of a class exported whole, so on Windows
// the class is not marked: each exported member carries ORNATEX_MEMBER_API,
// unmarked members stay inside the DLL, and the class's virtual table and
// type information are exported by name (ornatex.def), so programs can still
// derive from the class and cast to it.
#if defined(_WIN32)
#define ORNATEX_CLASS_API
#define ORNATEX_MEMBER_API ORNATEX_API
#define ORNATEX_HIDDEN
#else
#define ORNATEX_CLASS_API ORNATEX_API
#define ORNATEX_MEMBER_API
#define ORNATEX_HIDDEN __attribute__((visibility("hidden")))
#endif
