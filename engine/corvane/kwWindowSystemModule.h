// Engine-internal: the entry point of the window system module, the shared
// module that holds the SDL window backend and the OpenGL renderer on Linux.
// corvane loads it at the first real window and looks this one name up.
#pragma once

class kwWindowBackend;

#define KW_WINDOW_MODULE_API __attribute__((visibility("default")))

// Opens a window of the size with an OpenGL context; the caller owns the
// backend. Engine fatal errors are thrown as text, as everywhere.
using kwWindowModuleEntry = kwWindowBackend* (*)(int width, int height, const char* title);
constexpr const char* kwWindowModuleEntryName = "kwCreateSDLWindowBackend";
