#include <corvane/kwNode.h>

#include <corvane/kwContext.h>

kwNode::kwNode() = default;

// A node owns its subtree: each child loses this parent and is deleted when
// it has no parent left. A node deleted while it still has parents first
// takes itself out of their child arrays, so no parent keeps a dangling pointer.
kwNode::~kwNode() noexcept(false) {
    while (parents.count) parents.sentinel.next->parent->removeChild(this);
    while (children.count) {
        kwNode* child = children.data[children.count - 1];
        removeChild(child);
        if (child->parents.count == 0) delete child;
    }
}

bool kwNode::removeChild(kwNode* child) {
    std::uint32_t i = 0;
    while (i < children.count && children.data[i] != child) ++i;
    if (i == children.count) return false;
    for (; i + 1 < children.count; ++i) children.data[i] = children.data[i + 1];
    --children.count;
    for (kwParentLink* link = child->parents.sentinel.next; link != &child->parents.sentinel; link = link->next) {
        if (link->parent == this) {
            link->prev->next = link->next;
            link->next->prev = link->prev;
            delete link;
            --child->parents.count;
            break;
        }
    }
    boundaryDirty = 1;
    makeParentBoundary();
    return true;
}

void kwNode::makeBoundary() {}

void kwNode::makeParentBoundary() {
    for (kwParentLink* link = parents.sentinel.next; link != &parents.sentinel; link = link->next) {
        kwNode* parent = link->parent;
        parent->boundaryDirty = 1;
        parent->makeParentBoundary();
    }
}

bool kwNode::isTransformNode() const { return false; }

void kwNode::traverse(kwContext* context) {
    if (!context || !visible) return;
    if (state) context->pushState(*state);
    for (std::uint32_t i = 0; i < children.count; ++i) children.data[i]->traverse(context);
    postDraw(context);
}

void kwNode::postDraw(kwContext* context) {
    if (context && state) context->popState();
}

void kwNode::update(kwContext* context) {
    for (std::uint32_t i = 0; i < children.count; ++i) children.data[i]->update(context);
    if (boundaryDirty) {
        makeBoundary();
        boundaryDirty = 0;
    }
}

bool kwNode::isLight() const { return false; }
bool kwNode::isDrawable() const { return true; }
unsigned char kwNode::getVisible() const { return visible; }
void kwNode::setVisible(unsigned char v) { visible = v; }
void kwNode::setColor(float r, float g, float b, float a) { color = kwVec4(r, g, b, a); }
void kwNode::setColor(const kwVec4& c) { color = c; }
kwVec4 kwNode::getColor() const { return color; }
