#include "MeshWriter.h"

#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <corvane/Primitive.h>
#include <tovik/kwOpenFile.h>

#include "ConsoleIo.h"
#include "Utf8Path.h"

namespace tool {

namespace {

// The vertex sequence the draw mode consumes: the indices of an indexed
// primitive, 0 to n - 1 otherwise.
std::vector<unsigned> drawOrder(const Primitive& p) {
    std::vector<unsigned> order;
    if (const unsigned short* indices = p.getIndexData()) {
        order.assign(indices, indices + p.getIndexCount());
    } else {
        order.resize(p.getVertexCount());
        for (unsigned i = 0; i < order.size(); ++i) order[i] = i;
    }
    return order;
}

bool endsWith(const std::string& text, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
    return true;
}

// Shortest text that reads back as the same float.
void putFloat(std::FILE* out, float value) { std::fprintf(out, "%.9g", static_cast<double>(value)); }

void writeObj(std::FILE* out, const Mesh& mesh, const std::string& comment) {
    std::fprintf(out, "# %s\n", comment.c_str());
    const std::size_t count = mesh.positions.size() / 3;
    const bool hasNormals = !mesh.normals.empty(), hasTex = !mesh.texCoords.empty();
    for (std::size_t i = 0; i < count; ++i) {
        std::fputs("v", out);
        for (int k = 0; k < 3; ++k) std::fputc(' ', out), putFloat(out, mesh.positions[3 * i + k]);
        std::fputc('\n', out);
    }
    if (hasTex)
        for (std::size_t i = 0; i < count; ++i) {
            std::fputs("vt ", out);
            putFloat(out, mesh.texCoords[2 * i]);
            std::fputc(' ', out);
            putFloat(out, mesh.texCoords[2 * i + 1]);
            std::fputc('\n', out);
        }
    if (hasNormals)
        for (std::size_t i = 0; i < count; ++i) {
            std::fputs("vn", out);
            for (int k = 0; k < 3; ++k) std::fputc(' ', out), putFloat(out, mesh.normals[3 * i + k]);
            std::fputc('\n', out);
        }
    // OBJ numbers vertices from 1; position, texture and normal share it.
    for (std::size_t t = 0; t < mesh.triangles.size(); t += 3) {
        std::fputc('f', out);
        for (int k = 0; k < 3; ++k) {
            const unsigned n = mesh.triangles[t + k] + 1;
            if (hasTex && hasNormals) std::fprintf(out, " %u/%u/%u", n, n, n);
            else if (hasTex) std::fprintf(out, " %u/%u", n, n);
            else if (hasNormals) std::fprintf(out, " %u//%u", n, n);
            else std::fprintf(out, " %u", n);
        }
        std::fputc('\n', out);
    }
    for (const auto& line : mesh.lines) {
        std::fputc('l', out);
        for (unsigned v : line) std::fprintf(out, " %u", v + 1);
        std::fputc('\n', out);
    }
}

void writePly(std::FILE* out, const Mesh& mesh, const std::string& comment) {
    const std::size_t count = mesh.positions.size() / 3;
    const bool hasNormals = !mesh.normals.empty(), hasTex = !mesh.texCoords.empty();
    std::size_t edges = 0;
    for (const auto& line : mesh.lines) edges += line.size() > 1 ? line.size() - 1 : 0;
    std::fprintf(out, "ply\nformat ascii 1.0\ncomment %s\nelement vertex %zu\n", comment.c_str(), count);
    std::fputs("property float x\nproperty float y\nproperty float z\n", out);
    if (hasNormals) std::fputs("property float nx\nproperty float ny\nproperty float nz\n", out);
    if (hasTex) std::fputs("property float s\nproperty float t\n", out);
    std::fprintf(out, "element face %zu\nproperty list uchar uint vertex_indices\n", mesh.triangles.size() / 3);
    if (edges) std::fprintf(out, "element edge %zu\nproperty uint vertex1\nproperty uint vertex2\n", edges);
    std::fputs("end_header\n", out);
    for (std::size_t i = 0; i < count; ++i) {
        for (int k = 0; k < 3; ++k) {
            if (k) std::fputc(' ', out);
            putFloat(out, mesh.positions[3 * i + k]);
        }
        if (hasNormals)
            for (int k = 0; k < 3; ++k) std::fputc(' ', out), putFloat(out, mesh.normals[3 * i + k]);
        if (hasTex)
            for (int k = 0; k < 2; ++k) std::fputc(' ', out), putFloat(out, mesh.texCoords[2 * i + k]);
        std::fputc('\n', out);
    }
    for (std::size_t t = 0; t < mesh.triangles.size(); t += 3)
        std::fprintf(out, "3 %u %u %u\n", mesh.triangles[t], mesh.triangles[t + 1], mesh.triangles[t + 2]);
    for (const auto& line : mesh.lines)
        for (std::size_t k = 1; k < line.size(); ++k) std::fprintf(out, "%u %u\n", line[k - 1], line[k]);
}

}  // namespace

std::string meshFromPrimitive(const Primitive& p, Mesh& mesh) {
    mesh = Mesh();
    const kwVertexFormat format = p.getVertexFormat();
    const unsigned count = p.getVertexCount();
    const float* data = p.getVertexData();
    const int stride = kwVertexFloats(format);
    const bool hasTex = format == kwVertexFormat::T2V3 || format == kwVertexFormat::T2N3V3;
    const bool hasNormals = format == kwVertexFormat::N3V3 || format == kwVertexFormat::T2N3V3;
    const int at = kwVertexPositionOffset(format);
    for (unsigned v = 0; data && v < count; ++v) {
        const float* r = data + static_cast<std::size_t>(v) * stride;
        mesh.positions.push_back(r[at]);
        mesh.positions.push_back(r[at + 1]);
        mesh.positions.push_back(format == kwVertexFormat::V2 ? 0.0f : r[at + 2]);
        if (hasTex) mesh.texCoords.insert(mesh.texCoords.end(), r, r + 2);
        if (hasNormals) mesh.normals.insert(mesh.normals.end(), r + (hasTex ? 2 : 0), r + (hasTex ? 5 : 3));
    }
    const std::vector<unsigned> order = drawOrder(p);
    for (unsigned v : order)
        if (v >= count) return "index " + std::to_string(v) + " lies beyond the " + std::to_string(count) + " vertices";
    switch (p.drawMode) {
        case kwDrawTriangles:
            mesh.triangles.assign(order.begin(), order.begin() + order.size() / 3 * 3);
            break;
        case kwDrawTriangleFan:
            for (std::size_t k = 1; k + 1 < order.size(); ++k)
                mesh.triangles.insert(mesh.triangles.end(), {order[0], order[k], order[k + 1]});
            break;
        case kwDrawLineLoop:
        case kwDrawLineStrip:
            if (!order.empty()) {
                mesh.lines.push_back(order);
                if (p.drawMode == kwDrawLineLoop && order.size() > 1) mesh.lines.back().push_back(order[0]);
            }
            break;
        default:
            return "draw mode " + std::to_string(p.drawMode) + " is not one the tool writes";
    }
    return std::string();
}

MeshFormat meshFormatFor(const std::string& path) {
    if (endsWith(path, ".obj")) return MeshFormat::obj;
    if (endsWith(path, ".ply")) return MeshFormat::ply;
    return MeshFormat::unknown;
}

void normalizeNormals(Mesh& mesh) {
    for (std::size_t i = 0; i + 2 < mesh.normals.size(); i += 3) {
        float* n = &mesh.normals[i];
        const double length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
        if (length > 0.0 && std::isfinite(length))
            for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(n[k] / length);
    }
}

std::string writeMesh(const Mesh& mesh, const std::string& path, MeshFormat format, const std::string& comment) {
    const bool toStdout = path == "-";
    // Binary, so a file written on Windows has the same bytes (LF line ends)
    // as one written anywhere else.
    if (toStdout) setBinaryMode(stdout);
    std::FILE* out = toStdout ? stdout : kwOpenFile(path.c_str(), "wb");
    if (!out) return std::strerror(errno);
    if (format == MeshFormat::ply) writePly(out, mesh, comment);
    else writeObj(out, mesh, comment);
    std::string error;
    if (std::ferror(out)) error = "write error";
    if (toStdout) {
        if (std::fflush(out) != 0 && error.empty()) error = std::strerror(errno);
        return error;
    }
    if (std::fclose(out) != 0 && error.empty()) error = std::strerror(errno);
    std::error_code ignored;
    if (!error.empty()) std::filesystem::remove(pathFromUtf8(path), ignored);
    return error;
}

}  // namespace tool
