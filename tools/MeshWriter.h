// Turning a primitive's arrays into a mesh any viewer opens, and writing it
// as Wavefront OBJ or ASCII PLY.
#pragma once

#include <string>
#include <vector>

class Primitive;

namespace tool {

struct Mesh {
    std::vector<float> positions;  // x y z per vertex (flat records get z = 0)
    std::vector<float> normals;    // nx ny nz per vertex, or empty
    std::vector<float> texCoords;  // s t per vertex, or empty
    std::vector<unsigned> triangles;            // three 0-based vertex numbers each
    std::vector<std::vector<unsigned>> lines;   // polylines, a closed loop repeats its first vertex
};

// Reads the primitive's records and turns its draw mode and indices into
// faces: kwDrawTriangleFan into triangles around the first vertex,
// kwDrawTriangles into triples, kwDrawLineLoop and kwDrawLineStrip into
// polylines. An indexed primitive takes its vertices in index order. Returns
// an error text (empty on success): an index beyond the vertex array, a draw
// mode it does not know.
std::string meshFromPrimitive(const Primitive& primitive, Mesh& mesh);

// Scales every normal to length 1; a zero normal stays as it is.
void normalizeNormals(Mesh& mesh);

enum class MeshFormat { unknown, obj, ply };
MeshFormat meshFormatFor(const std::string& path);

// Writes the mesh to the file, or to standard output when the path is "-";
// returns an error text, empty on success, and then leaves no file behind.
// `comment` goes into the file's header.
std::string writeMesh(const Mesh& mesh, const std::string& path, MeshFormat format, const std::string& comment);

}  // namespace tool
