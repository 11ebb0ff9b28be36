// Shared by the primitives' tests: whole-record comparison and printing of
// vertex records and kwVec*, reading a primitive's arrays back, the shapes
// the tests build, and a few vector helpers for geometric checks.
#pragma once

#include <corvane/Primitive.h>
#include <corvane/kwNode.h>
#include <corvane/kwVec2.h>
#include <corvane/kwVec3.h>
#include <corvane/kwVec4.h>
#include <corvane/vertexFormats.h>
#include <gtest/gtest.h>
#include <ornatex/primitives/kwParametric.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

// Records are equal when every float has the same bits: -0 differs from +0
// (the sign reaches the vertex files), and a NaN equals the same NaN.
#define PRIMTEST_BITWISE_EQUAL(Type)                                                    \
    inline bool operator==(const Type& a, const Type& b) { return std::memcmp(&a, &b, sizeof a) == 0; } \
    inline bool operator!=(const Type& a, const Type& b) { return !(a == b); }
PRIMTEST_BITWISE_EQUAL(vertexV2)
PRIMTEST_BITWISE_EQUAL(vertexN3V3)
PRIMTEST_BITWISE_EQUAL(vertexT2V3)
PRIMTEST_BITWISE_EQUAL(vertexT2N3V3)
PRIMTEST_BITWISE_EQUAL(kwVec2)
PRIMTEST_BITWISE_EQUAL(kwVec3)
PRIMTEST_BITWISE_EQUAL(kwVec4)
#undef PRIMTEST_BITWISE_EQUAL

namespace primtest {
// Floats to nine digits, enough to tell any two apart; -0 keeps its sign.
inline std::ostream& printFloats(std::ostream& out, const char* name, const float* f, int n) {
    out << name << '{';
    for (int k = 0; k < n; ++k) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(f[k]));
        out << (k ? ", " : "") << text;
    }
    return out << '}';
}
template <typename Record>
std::ostream& print(std::ostream& out, const char* name, const Record& r) {
    static_assert(sizeof r % sizeof(float) == 0, "records are floats");
    float f[sizeof r / sizeof(float)];
    std::memcpy(f, &r, sizeof r);
    return printFloats(out, name, f, sizeof r / sizeof(float));
}
}  // namespace primtest

inline std::ostream& operator<<(std::ostream& o, const vertexV2& r) { return primtest::print(o, "V2", r); }
inline std::ostream& operator<<(std::ostream& o, const vertexN3V3& r) { return primtest::print(o, "N3V3", r); }
inline std::ostream& operator<<(std::ostream& o, const vertexT2V3& r) { return primtest::print(o, "T2V3", r); }
inline std::ostream& operator<<(std::ostream& o, const vertexT2N3V3& r) { return primtest::print(o, "T2N3V3", r); }
inline std::ostream& operator<<(std::ostream& o, const kwVec2& v) { return primtest::print(o, "kwVec2", v); }
inline std::ostream& operator<<(std::ostream& o, const kwVec3& v) { return primtest::print(o, "kwVec3", v); }
inline std::ostream& operator<<(std::ostream& o, const kwVec4& v) { return primtest::print(o, "kwVec4", v); }

namespace primtest {

template <typename Record>
std::vector<Record> records(const Primitive& p) {
    const Record* first = reinterpret_cast<const Record*>(p.getVertexData());
    return first ? std::vector<Record>(first, first + p.getVertexCount()) : std::vector<Record>();
}

inline std::vector<unsigned short> indices(const Primitive& p) {
    const unsigned short* first = p.getIndexData();
    return first ? std::vector<unsigned short>(first, first + p.getIndexCount()) : std::vector<unsigned short>();
}

// Records first, first + 1, ... of `got` against literal values worked out
// independently to a few decimals: every float within `tolerance`.
template <typename Record>
void expectRecordsNear(const std::vector<Record>& got, std::size_t first, const std::vector<Record>& expected,
                       double tolerance = 1e-5) {
    constexpr std::size_t floats = sizeof(Record) / sizeof(float);
    ASSERT_LE(first + expected.size(), got.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        float g[floats], e[floats];
        std::memcpy(g, &got[first + r], sizeof g);
        std::memcpy(e, &expected[r], sizeof e);
        for (std::size_t k = 0; k < floats; ++k)
            EXPECT_NEAR(g[k], e[k], tolerance) << "record " << first + r << " float " << k << ": " << got[first + r];
    }
}

// The six parameters of a parametric grid.
struct GridRange {
    float stepU, stepV, startU, startV, stopU, stopV;
};

// Sets the grid's parameters and builds it.
inline void build(kwParametric& surface, const GridRange& r) {
    surface.setStep(r.stepU, r.stepV);
    surface.setStart(r.startU, r.startV);
    surface.setStop(r.stopU, r.stopV);
    surface.update(nullptr);
}

template <typename Surface = kwParametric>
std::unique_ptr<Surface> builtGrid(const GridRange& r) {
    std::unique_ptr<Surface> surface(new Surface);
    build(*surface, r);
    return surface;
}

// A child whose update calls are counted: Primitive::update passes the
// update down to the children, so the count says whether it ran.
class CountingNode : public kwNode {
public:
    explicit CountingNode(int* counter) : updates(counter) {}
    void update(kwContext*) override { ++*updates; }
    int* updates;
};

// A parametric node under a parent, with a counting child; the parent owns
// both.
struct Scene {
    explicit Scene(kwParametric* s = new kwParametric) : parent(new kwNode), surface(s) {
        parent->addChild(surface);
        surface->addChild(new CountingNode(&childUpdates));
    }
    int childUpdates = 0;
    std::unique_ptr<kwNode> parent;
    kwParametric* surface;
};

struct V3 {
    double x, y, z;
};
inline V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(V3 a) { return std::sqrt(dot(a, a)); }
inline V3 position(const vertexN3V3& r) { return {r.x, r.y, r.z}; }
inline V3 normal(const vertexN3V3& r) { return {r.nx, r.ny, r.nz}; }
inline V3 position(const vertexT2N3V3& r) { return {r.x, r.y, r.z}; }

// The face normal of triangle t (indices t, t + 1, t + 2 of `order`).
template <typename Record>
V3 faceNormal(const std::vector<Record>& v, const std::vector<unsigned short>& order, std::size_t t) {
    const V3 a = position(v[order[t]]), b = position(v[order[t + 1]]), c = position(v[order[t + 2]]);
    return cross(sub(b, a), sub(c, a));
}

}  // namespace primtest
