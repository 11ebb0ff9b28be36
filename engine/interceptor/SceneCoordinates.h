// Converts points between a node's own coordinates and those of the scene
// root, which are the coordinates the camera is placed in. The path goes up
// through each node's first parent and applies every transform on the way.
// Internal to interceptor.
#pragma once

#include <corvane/kwNode.h>
#include <corvane/kwVec3.h>

namespace interceptor {

// The point p given in `node`'s coordinates (after its own transform, if it
// has one), expressed in the scene root's coordinates.
kwVec3 nodeToScene(const kwNode* node, const kwVec3& p);

// The map from the scene root's coordinates into the coordinates that a
// node's parent hands down, i.e. those of the node's own geometry when the
// node has no transform of its own: an affine map, in double precision.
struct SceneToParent {
    double linear[9];  // row-major 3 x 3
    double origin[3];  // the scene point that maps to the origin
    // The point (x, y, z) of the scene in the parent's coordinates.
    void apply(double x, double y, double z, double out[3]) const;
};

// Fills `map` for `node`; returns false when the transforms on the way
// cannot be inverted.
bool sceneToParent(const kwNode* node, SceneToParent& map);

// The point p given in the scene root's coordinates, expressed in the
// coordinates that `node`'s parent hands down. Returns false and leaves p
// unchanged when the transforms on the way cannot be inverted.
bool sceneToParent(const kwNode* node, kwVec3& p);

}  // namespace interceptor
