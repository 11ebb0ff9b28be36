// Reading a primitive's arrays back as records, and small vector helpers.
#pragma once

#include <corvane/Primitive.h>
#include <corvane/vertexFormats.h>

#include <cmath>
#include <vector>

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

}  // namespace primtest
