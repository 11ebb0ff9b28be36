// A scene-graph node. Nodes are allocated on 16-byte boundaries by their own
// class-level allocation. Field order is part of the contract: parents, the
// two dirty flags, state, children.
#pragma once

#include <cstdint>

#include <corvane/corvaneExport.h>
#include <corvane/kwAligned.h>
#include <corvane/kwRef.h>
#include <corvane/kwState.h>
#include <corvane/kwVec4.h>
#include <corvane/kwVector.h>

class kwContext;
class kwNode;

// One record of a node's parent list: two links and the parent.
struct kwParentLink {
    kwParentLink* next;
    kwParentLink* prev;
    kwNode* parent;
};

// Circular doubly linked list of parent records around a sentinel.
struct kwParentList {
    kwParentList() { sentinel.next = sentinel.prev = &sentinel; sentinel.parent = nullptr; }
    kwParentList(const kwParentList&) = delete;
    kwParentList& operator=(const kwParentList&) = delete;

    // Links a new record for `parent` in at the back, just before the sentinel.
    void add(kwNode* parent) {
        kwParentLink* link = new kwParentLink{&sentinel, sentinel.prev, parent};
        sentinel.prev->next = link;
        sentinel.prev = link;
        ++count;
    }

    kwParentLink sentinel;
    std::uint32_t count = 0;
};

class CORVANE_API kwNode {
public:
    KW_ALIGNED_NEW

    kwNode();
    kwNode(const kwNode&) = delete;
    kwNode& operator=(const kwNode&) = delete;

    // Virtual operations, in slot order.
    virtual void makeBoundary();                 // recompute the bounding volume
    virtual void makeParentBoundary();           // mark every ancestor's boundary dirty
    virtual bool isTransformNode() const;        // false unless the node carries a matrix
    // May carry the engine's char* text out of a node's destruction (the
    // engine reports fatal errors so, even there), so it is not noexcept:
    // the text reaches the program's handler instead of ending the program.
    virtual ~kwNode() noexcept(false);
    virtual void traverse(kwContext* context);   // draw this node and its subtree
    virtual void postDraw(kwContext* context);   // undo what traverse applied
    virtual void update(kwContext* context);     // per-frame update of the subtree
    virtual bool isLight() const;                // false
    virtual bool isDrawable() const;             // true
    virtual unsigned char getVisible() const;
    virtual void setVisible(unsigned char visible);
    virtual void setColor(float r, float g, float b, float a);
    virtual void setColor(const kwVec4& color);
    virtual kwVec4 getColor() const;

    // Hangs `child` under this node: grows the child array (16 slots first,
    // then doubling), appends the child, records this node among the child's
    // parents and marks this node's boundary dirty.
    void addChild(kwNode* child) {
        if (children.count == children.capacity) children.grow();
        children.data[children.count++] = child;
        child->parents.add(this);
        boundaryDirty = 1;
        makeParentBoundary();
    }

    // Takes `child` out of this node's children and this node out of the
    // child's parents. The child is not deleted. Returns false if it was not a child.
    bool removeChild(kwNode* child);

    kwParentList parents;
    unsigned char boundaryDirty = 1;
    unsigned char transformDirty = 0;
    kw::ref<kwState> state;
    kw::vector<kwNode*> children;

protected:
    kwVec4 color{1.0f, 1.0f, 1.0f, 1.0f};
    unsigned char visible = 1;
};
