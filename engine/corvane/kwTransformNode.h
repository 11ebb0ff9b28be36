// A node whose matrix applies to its subtree.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwNode.h>
#include <corvane/kwTransform.h>

class CORVANE_API kwTransformNode : public kwNode, public kwTransform {
public:
    kwTransformNode();
    ~kwTransformNode() override;

    bool isTransformNode() const override;
    void traverse(kwContext* context) override;
    void postDraw(kwContext* context) override;
    void update(kwContext* context) override;
};
