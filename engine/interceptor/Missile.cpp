#include <interceptor/Missile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <interceptor/FrameClock.h>

Missile::Missile(const kwTransform& launch, kwNode* mesh, float speed_, float lifetime_)
    : speed(std::isfinite(speed_) ? speed_ : 0.0f),
      lifetime(std::isfinite(lifetime_) && lifetime_ > 0.0f ? lifetime_ : 0.0f) {
    // A missile without a usable lifetime ends at its first step.
    std::memcpy(matrix, launch.matrix, sizeof matrix);
    transformDirty = 1;
    if (mesh) addChild(mesh);
}

Missile::~Missile() = default;

void Missile::advance(double seconds) {
    if (ended || !(seconds > 0.0) || !std::isfinite(seconds)) return;
    const double step = std::min(seconds, double(lifetime) - age);
    if (step > 0.0) {
        translateLocal(0.0f, 0.0f, float(-double(speed) * step));
        transformDirty = 1;
        makeParentBoundary();
    }
    age += seconds;
    if (age >= lifetime) end();
}

void Missile::end() {
    ended = true;
    visible = 0;
    // Let go of the mesh: a shared mesh lives on with its other holders.
    while (children.count) {
        kwNode* child = children.data[children.count - 1];
        removeChild(child);
        if (child->parents.count == 0) delete child;
    }
}

void Missile::update(kwContext* context) {
    if (ended) return;
    advance(interceptor::elapsedSince(lastTick));
    kwTransformNode::update(context);
}
