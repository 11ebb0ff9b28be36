// corvane without a window system (ORNATEX_WINDOW_SYSTEM=none): scripted
// windows only, and no OpenGL.
#include <corvane/kwWindowBackend.h>

#include <corvane/kwWindowScript.h>

kwWindowBackend* kwMakeScriptBackend(const kwWindowScript& script);

kwWindowBackend* kwWindowBackend::create(int, int, const char*, const kwWindowScript* script) {
    if (script) return kwMakeScriptBackend(*script);
    static char message[] = "cannot create window: this build of corvane has no window system";
    throw static_cast<char*>(message);
}
