// Engine-internal: the OpenGL declarations the renderer uses.
//
// On Windows, opengl32.dll exports OpenGL 1.1 only; the later entry points
// the renderer needs (buffer objects, OpenGL 1.5) come from the driver
// through wglGetProcAddress, once a context is current. kwGLLoadExtensions
// fetches them; the names below then call through the fetched pointers, so
// the renderer's code is the same on every platform. Elsewhere the GL
// library exports them directly.
#pragma once

#if defined(_WIN32)
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

struct kwGLExtensions {
    PFNGLGENBUFFERSPROC genBuffers;
    PFNGLDELETEBUFFERSPROC deleteBuffers;
    PFNGLBINDBUFFERPROC bindBuffer;
    PFNGLBUFFERDATAPROC bufferData;
};
extern kwGLExtensions kwGLExt;

// Fetches the entry points from the current context's driver. False, with
// the missing function's name in `missing`, when the driver lacks one.
bool kwGLLoadExtensions(const char** missing);

#define glGenBuffers kwGLExt.genBuffers
#define glDeleteBuffers kwGLExt.deleteBuffers
#define glBindBuffer kwGLExt.bindBuffer
#define glBufferData kwGLExt.bufferData
#else
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#endif
