// The engine behaviour the system relies on: child arrays, parent records,
// reference-counted holder slots, ownership of handed-over arrays, the
// transform's composition, texture copies and aligned allocation.
#include <corvane/corvane.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

namespace {

// Counts live instances so tests can see destruction.
struct CountedMaterial : kwMaterial {
    explicit CountedMaterial(int& live) : live(live) { ++live; }
    ~CountedMaterial() override { --live; }
    int& live;
};

struct CountedNode : kwNode {
    explicit CountedNode(int& live) : live(live) { ++live; }
    ~CountedNode() override { --live; }
    int& live;
};

// A primitive whose protected array hand-over tests can reach.
struct TestIndexed : PrimitiveIndexed {};

}  // namespace

TEST(NodeContract, ChildArrayGrowsFrom16To32To64KeepingOrder) {
    kwNode* parent = new kwNode;
    std::vector<kwNode*> kids;
    EXPECT_EQ(parent->children.data, nullptr);
    EXPECT_EQ(parent->children.capacity, 0u);
    for (int i = 0; i < 65; ++i) {
        kids.push_back(new kwNode);
        parent->addChild(kids.back());
        const std::uint32_t expected = i < 16 ? 16 : i < 32 ? 32 : i < 64 ? 64 : 128;
        ASSERT_EQ(parent->children.capacity, expected) << "after child " << i + 1;
        ASSERT_EQ(parent->children.count, std::uint32_t(i + 1));
    }
    for (std::size_t i = 0; i < kids.size(); ++i) EXPECT_EQ(parent->children.data[i], kids[i]);
    delete parent;  // deletes the children it alone holds
}

TEST(NodeContract, AddChildRecordsTheParentAndMarksItsBoundary) {
    kwNode* grandparent = new kwNode;
    kwNode* parent = new kwNode;
    kwNode* child = new kwNode;
    grandparent->addChild(parent);
    grandparent->boundaryDirty = 0;
    parent->boundaryDirty = 0;

    parent->addChild(child);
    EXPECT_EQ(parent->boundaryDirty, 1);
    EXPECT_EQ(grandparent->boundaryDirty, 1) << "makeParentBoundary reaches the ancestors";
    ASSERT_EQ(child->parents.count, 1u);
    const kwParentLink* link = child->parents.sentinel.next;
    EXPECT_EQ(link->parent, parent);
    EXPECT_EQ(link->next, &child->parents.sentinel) << "the list is circular around the sentinel";
    EXPECT_EQ(child->parents.sentinel.prev, link);
    delete grandparent;
}

TEST(NodeContract, FlagsAreAdjacentBytesAfterTheParents) {
    kwNode node;
    EXPECT_EQ(&node.transformDirty - &node.boundaryDirty, 1);
    EXPECT_EQ(node.boundaryDirty, 1) << "a new node has no boundary yet";
}

TEST(NodeContract, DeletingAParentDeletesChildrenItAloneHolds) {
    int live = 0;
    kwNode* root = new kwNode;
    kwNode* mid = new CountedNode(live);
    root->addChild(mid);
    mid->addChild(new CountedNode(live));
    kwNode* shared = new CountedNode(live);
    mid->addChild(shared);
    kwNode* other = new kwNode;
    other->addChild(shared);  // a second parent keeps it alive
    EXPECT_EQ(live, 3);
    delete root;
    EXPECT_EQ(live, 1);
    EXPECT_EQ(shared->parents.count, 1u);
    delete other;
    EXPECT_EQ(live, 0);
}

TEST(NodeContract, DeletingAChildTakesItOutOfItsParents) {
    kwNode* parent = new kwNode;
    kwNode* a = new kwNode;
    kwNode* b = new kwNode;
    parent->addChild(a);
    parent->addChild(b);
    delete a;
    ASSERT_EQ(parent->children.count, 1u);
    EXPECT_EQ(parent->children.data[0], b);
    delete parent;
}

TEST(RefCounting, HolderAssignmentFollowsTheEngineRule) {
    int live = 0;
    kwState* state = new kwState;
    kwMaterial* first = new CountedMaterial(live);
    kwMaterial* second = new CountedMaterial(live);
    EXPECT_EQ(first->refCount, 0) << "a new object holds no reference";

    state->material = first;
    EXPECT_EQ(first->refCount, 1);
    state->material = first;  // the same object again changes nothing
    EXPECT_EQ(first->refCount, 1);

    kwState* other = new kwState;
    other->material = second;
    state->material = second;  // first drops to 0 and is destroyed at once
    EXPECT_EQ(live, 1);
    EXPECT_EQ(second->refCount, 2);

    other->material = nullptr;  // still held by state: survives
    EXPECT_EQ(live, 1);
    EXPECT_EQ(second->refCount, 1);

    kwNode* node = new kwNode;
    node->state = state;
    delete node;  // the node's slot held the state's only reference
    EXPECT_EQ(live, 0) << "the state went, and with it the material it held";
    delete other;
}

TEST(PrimitiveContract, OwnsHandedOverArraysAndReplacesThem) {
    TestIndexed* p = new TestIndexed;
    EXPECT_EQ(p->getVertexFormat(), kwVertexFormat::none);
    EXPECT_EQ(p->getVertexData(), nullptr);

    vertexN3V3* v1 = new vertexN3V3[3]{{0, 0, 1, 1, 2, 3}, {0, 0, 1, 4, 5, 6}, {0, 0, 1, 7, 8, 9}};
    unsigned short* i1 = new unsigned short[3]{0, 1, 2};
    p->addCoordArray(v1, i1, 3, 3);
    EXPECT_EQ(p->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(p->getVertexData(), reinterpret_cast<const float*>(v1));
    EXPECT_EQ(p->getIndexData(), i1);
    EXPECT_EQ(p->getVertexCount(), 3u);
    EXPECT_EQ(p->getIndexCount(), 3u);

    // A later call frees the first arrays (AddressSanitizer checks the
    // release and its matching delete[]) and keeps the new ones.
    vertexT2N3V3* v2 = new vertexT2N3V3[1]{{0, 0, 0, 1, 0, 5, 6, 7}};
    unsigned short* i2 = new unsigned short[1]{0};
    p->addCoordArray(v2, i2, 1, 1);
    EXPECT_EQ(p->getVertexFormat(), kwVertexFormat::T2N3V3);
    EXPECT_EQ(p->getVertexData(), reinterpret_cast<const float*>(v2));

    p->update(nullptr);
    EXPECT_EQ(p->boundaryDirty, 0);
    EXPECT_FLOAT_EQ(p->center.x, 5);
    EXPECT_FLOAT_EQ(p->center.z, 7);
    delete p;  // frees the last arrays

    PrimitiveInterleaved* q = new PrimitiveInterleaved;
    q->addCoordArray(new vertexV2[2]{{-1, 0}, {1, 0}}, 2);
    EXPECT_EQ(q->getIndexData(), nullptr);
    q->update(nullptr);
    EXPECT_FLOAT_EQ(q->radius, 1);
    delete q;
}

// Where the transform takes a point: the geometric outcome, independent of
// how the matrix is built.
kwVec3 apply(const kwTransform& t, float x, float y, float z) {
    const float* m = t.matrix;
    return kwVec3(m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                  m[2] * x + m[6] * y + m[10] * z + m[14]);
}

void expectPoint(const kwVec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-5);
    EXPECT_NEAR(p.y, y, 1e-5);
    EXPECT_NEAR(p.z, z, 1e-5);
}

TEST(TransformContract, EachOperationAppliesAfterWhatTheMatrixAlreadyDoes) {
    kwTransform t;
    t.translate(1, 2, 3);
    EXPECT_FLOAT_EQ(t.matrix[12], 1);
    EXPECT_FLOAT_EQ(t.matrix[13], 2);
    EXPECT_FLOAT_EQ(t.matrix[14], 3);

    // A scale after a move scales the move too: about the parent's origin.
    t.scale(2, 2, 2);
    expectPoint(apply(t, 0, 0, 0), 2, 4, 6);
    expectPoint(apply(t, 1, 0, 0), 4, 4, 6);

    // A quarter turn about z after a move along x carries the node to +y.
    kwTransform r;
    r.translate(1, 0, 0);
    r.rotate(90, 0, 0, 1);
    expectPoint(apply(r, 0, 0, 0), 0, 1, 0);
    expectPoint(apply(r, 1, 0, 0), 0, 2, 0);

    // A move after a turn goes along the parent's axes...
    kwTransform m;
    m.rotate(90, 0, 0, 1);
    m.translate(1, 0, 0);
    expectPoint(apply(m, 0, 0, 0), 1, 0, 0);
    expectPoint(apply(m, 1, 0, 0), 1, 1, 0);
    // ...and translateLocal along the node's own, turned ones.
    m.translateLocal(1, 0, 0);
    expectPoint(apply(m, 0, 0, 0), 1, 1, 0);

    r.reset();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.matrix[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

TEST(TransformContract, TurningAndScalingBetweenOppositeMovesPivotsOnTheOwnOrigin) {
    kwTransform t;
    t.rotate(30, 1, 0, 0);
    t.translate(4, -2, 7);
    // The window's turn: translate(-t), rotate, translate(t).
    t.translate(-4, 2, -7);
    t.rotate(90, 0, 1, 0);
    t.scale(3, 3, 3);
    t.translate(4, -2, 7);
    expectPoint(apply(t, 0, 0, 0), 4, -2, 7);
    // The node's own x axis: turned by 90 about y to -z, scaled by 3.
    expectPoint(apply(t, 1, 0, 0), 4, -2, 4);
}

TEST(TextureContract, CopiesThePixelsDuringTheCall) {
    kwTexture texture;
    unsigned char pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    texture.loadImage(2, 2, texRGB, pixels);
    pixels[0] = 99;
    EXPECT_EQ(texture.getPixels()[0], 1) << "the texture keeps its own copy";
    EXPECT_EQ(texture.getWidth(), 2);
    EXPECT_EQ(texture.getFormat(), texRGB);

    unsigned char patch[3] = {50, 51, 52};
    texture.loadSubImage(1, 1, 1, 1, texRGB, patch);
    EXPECT_EQ(texture.getPixels()[9], 50);

    // Parts outside the image are dropped, a wrong format is refused.
    unsigned char big[12] = {0};
    texture.loadSubImage(1, 0, 2, 2, texRGB, big);
    EXPECT_EQ(texture.getPixels()[3], 0);
    EXPECT_EQ(texture.getPixels()[0], 1);
    unsigned char rgba[4] = {0};
    testing::internal::CaptureStderr();
    texture.loadSubImage(0, 0, 1, 1, texRGBA, rgba);
    texture.loadImage(-1, 2, texRGB, pixels);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(texture.getPixels()[0], 1);
    EXPECT_EQ(texture.getWidth(), 2);
}

TEST(Allocation, EngineClassesLieOn16ByteBoundaries) {
    std::vector<kwNode*> nodes;
    for (int i = 0; i < 8; ++i) {
        kwTransformNode* t = new kwTransformNode;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(t) % 16, 0u);
        nodes.push_back(t);
        kwState* s = new kwState;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s) % 16, 0u);
        t->state = s;
    }
    for (kwNode* n : nodes) delete n;
}

#ifndef __SANITIZE_ADDRESS__
// AddressSanitizer aborts on an impossible request instead of throwing.
TEST(Allocation, ChildArrayWhoseSizeOverflows32BitsThrows) {
    kw::vector<kwNode*> v;
    v.add(nullptr);
    const std::uint32_t saved = v.capacity;
    v.capacity = 0x80000000u;  // doubling needs 2^32 slots
    EXPECT_THROW(v.grow(), std::bad_alloc);
    EXPECT_EQ(v.count, 1u) << "a failed growth keeps the elements";
    v.capacity = saved;
}
#endif
