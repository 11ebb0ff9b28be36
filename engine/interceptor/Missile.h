// A missile: a transform node that flies straight along its own -z axis at
// a fixed speed for a fixed lifetime, measured in seconds of elapsed time.
// When the lifetime is over it ends: it lets go of its mesh and stops
// drawing, but stays wherever the scene graph holds it, and from then on
// updating and traversing it costs one test each.
#pragma once

#include <corvane/kwTransformNode.h>
#include <interceptor/interceptorExport.h>

class INTERCEPTOR_API Missile : public kwTransformNode {
public:
    // Starts at `launch` (a matrix in the coordinates of the node it will be
    // hung under), pointing along that matrix's -z axis. `mesh` is drawn as
    // the missile's child while it flies; it may be shared among missiles.
    // `speed` in units per second, `lifetime` in seconds.
    Missile(const kwTransform& launch, kwNode* mesh, float speed, float lifetime);
    ~Missile() override;

    // Moves on by `seconds` of elapsed time and ends once the lifetime is
    // used up. Non-positive or non-finite steps are ignored.
    void advance(double seconds);

    // Advances by the time elapsed since the previous update, then updates
    // the subtree. An ended missile returns at once.
    void update(kwContext* context) override;

    bool hasEnded() const { return ended; }
    float getAge() const { return float(age); }
    float getSpeed() const { return speed; }
    float getLifetime() const { return lifetime; }

private:
    void end();

    float speed;
    float lifetime;
    double age = 0.0;
    long long lastTick = 0;  // performance-counter value at the previous update, 0 before the first
    bool ended = false;
};
