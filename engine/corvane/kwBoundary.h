// A node with a bounding sphere of its own.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwNode.h>
#include <corvane/kwVec3.h>

class CORVANE_API kwBoundary : public kwNode {
public:
    kwBoundary();
    ~kwBoundary() override;

    // Marks this node's own sphere stale as well as every ancestor's.
    void makeParentBoundary() override;

    kwVec3 center;
    float radius = 0.0f;
};
