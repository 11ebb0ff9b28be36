#include <corvane/kwTransformNode.h>

#include <corvane/kwContext.h>

kwTransformNode::kwTransformNode() = default;
kwTransformNode::~kwTransformNode() = default;

bool kwTransformNode::isTransformNode() const { return true; }

void kwTransformNode::traverse(kwContext* context) {
    if (!context || !visible) return;
    context->pushTransform(*this);
    kwNode::traverse(context);  // ends in postDraw, which pops the transform too
}

void kwTransformNode::postDraw(kwContext* context) {
    kwNode::postDraw(context);
    if (context) context->popTransform();
}

void kwTransformNode::update(kwContext* context) {
    kwNode::update(context);
    transformDirty = 0;
}
