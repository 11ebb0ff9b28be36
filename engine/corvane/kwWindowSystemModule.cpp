// Windows on SDL2: the backend and the OpenGL renderer are in a module of
// their own (CORVANE_WINDOW_MODULE, beside this library), loaded at the first
// real window. Until then nothing of SDL, GL or the libraries they pull in
// (audio, X11, Wayland, D-Bus: some sixty in all) is loaded, so a program that
// only loads textures or builds primitives starts as fast as its own code
// allows. Scripted windows never load the module.
#include <corvane/kwWindowBackend.h>
#include <corvane/kwWindowSystemModule.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>

kwWindowBackend* kwMakeScriptBackend(const kwWindowScript& script);

namespace {

// An address inside this library, for asking the dynamic loader where the
// library lies.
const char anchor = 0;

// The folder this library was loaded from, with its trailing slash; empty
// when the loader cannot say, and the module is then searched for as the
// system searches for libraries.
std::string libraryFolder() {
    Dl_info info;
    if (!dladdr(&anchor, &info) || !info.dli_fname) return std::string();
    const std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

[[noreturn]] void fail(const char* what, const char* detail) {
    static char message[1024];
    std::snprintf(message, sizeof message, "cannot create window: %s: %s", what, detail ? detail : "unknown error");
    throw static_cast<char*>(message);
}

// Loads the module and finds its entry point. The module stays loaded for
// the rest of the process: SDL and the GL driver it brings do not all unload
// cleanly, and a later window loads nothing again.
kwWindowModuleEntry loadEntry() {
    const std::string path = libraryFolder() + CORVANE_WINDOW_MODULE;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) fail("cannot load the window system module", dlerror());
    void* entry = dlsym(module, kwWindowModuleEntryName);
    if (!entry) fail("the window system module has no entry point", dlerror());
    return reinterpret_cast<kwWindowModuleEntry>(entry);
}

}  // namespace

kwWindowBackend* kwWindowBackend::create(int width, int height, const char* title, const kwWindowScript* script) {
    if (script) return kwMakeScriptBackend(*script);
    // Loaded once; a failed load throws and is tried again at the next window.
    static const kwWindowModuleEntry entry = loadEntry();
    return entry(width, height, title);
}
