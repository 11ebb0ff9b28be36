#include <corvane/kwWindow.h>

#include <corvane/kwEventWindow.h>
#include <corvane/kwWindowBackend.h>

kwWindow::kwWindow(int w, int h, const char* title)
    : kwRenderTarget(w, h), isOpen(0), backend(kwWindowBackend::create(w, h, title, kwEventWindow::getScript())) {
    context = backend->context();
    isOpen = backend->closedAtStart() ? 0 : 1;
}

kwWindow::~kwWindow() {
    context = nullptr;
    delete backend;
}

bool kwWindow::current() { return backend->makeCurrent(); }

void kwWindow::bind() {
    if (backend->makeCurrent()) backend->viewport(0, 0, width, height);
}

void kwWindow::clear() {
    if (backend->makeCurrent()) backend->clear(clearColor);
}

void kwWindow::setSize(int w, int h) {
    if (w <= 0 || h <= 0) return;
    backend->resize(w, h);
    kwRenderTarget::setSize(w, h);
}

void kwWindow::setPos(int x, int y, int w, int h) {
    backend->move(x, y);
    setSize(w, h);
}

bool kwWindow::isScripted() const { return !backend->canDraw(); }

bool kwWindow::readPixels(std::vector<unsigned char>& rgb) {
    rgb.clear();
    if (width <= 0 || height <= 0 || !backend->makeCurrent()) return false;
    rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    backend->readPixels(width, height, rgb.data());
    return true;
}
