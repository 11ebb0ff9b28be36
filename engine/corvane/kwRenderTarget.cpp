#include <corvane/kwRenderTarget.h>

kwRenderTarget::kwRenderTarget(int w, int h) : width(w), height(h) {}
kwRenderTarget::~kwRenderTarget() noexcept(false) {}

// A bare target has nothing to draw into; windows override these.
void kwRenderTarget::clear() {}
void kwRenderTarget::bind() {}
void kwRenderTarget::setSize(int w, int h) {
    width = w;
    height = h;
}
bool kwRenderTarget::current() { return false; }

void kwRenderTarget::setClearColor(float r, float g, float b, float a) {
    clearColor[0] = r;
    clearColor[1] = g;
    clearColor[2] = b;
    clearColor[3] = a;
}
