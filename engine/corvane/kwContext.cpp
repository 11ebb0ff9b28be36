#include <corvane/kwContext.h>

kwContext::~kwContext() = default;
void kwContext::pushTransform(const kwTransform&) {}
void kwContext::popTransform() {}
void kwContext::pushState(const kwState&) {}
void kwContext::popState() {}
void kwContext::drawPrimitive(const Primitive&) {}
void kwContext::beginFrame(const float*, const float*, const kwScene&) {}
