#include <corvane/kwScene.h>

#include <corvane/kwCamera.h>
#include <corvane/kwContext.h>
#include <corvane/kwRenderTarget.h>

kwScene::kwScene(bool withHeadlight) : camera(new kwCamera()), headlight(withHeadlight) {}

kwScene::~kwScene() { delete camera; }

void kwScene::render(kwRenderTarget* target) {
    if (!target) return;
    kwContext* context = target->getContext();
    update(context);
    ++frameCount;
    if (!target->current()) return;  // a scripted window draws nothing
    target->bind();
    target->clear();
    float projection[16], view[16];
    camera->getProjectionMatrix(target->width, target->height, projection);
    camera->getViewMatrix(view);
    context->beginFrame(projection, view, *this);
    traverse(context);
}
