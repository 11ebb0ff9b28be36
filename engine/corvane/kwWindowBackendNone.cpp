// corvane without a window system (ORNATEX_WINDOW_SYSTEM=none): scripted
// windows only, and no OpenGL. A scripted window never draws, so the GL calls
// below are never reached, and no GPU record is ever made without a renderer;
// they exist so the rest of corvane links unchanged.
#include <corvane/kwWindowBackend.h>

#include <corvane/kwGLRenderer.h>
#include <corvane/kwWindowScript.h>

kwWindowBackend* kwMakeScriptBackend(const kwWindowScript& script);

kwWindowBackend* kwWindowBackend::create(int, int, const char*, const kwWindowScript* script) {
    if (script) return kwMakeScriptBackend(*script);
    static char message[] = "cannot create window: this build of corvane has no window system";
    throw static_cast<char*>(message);
}

void kwReleaseGpu(kwGpuArrays*) {}
void kwReleaseGpu(kwGpuTexture*) {}
void kwGLViewport(int, int, int, int) {}
void kwGLClear(const float[4]) {}
void kwGLReadPixels(int, int, unsigned char*) {}
