// `ornatex mesh SHAPE NUMBERS -o OUT`: builds one of the library's
// primitives and writes its arrays as a mesh.
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <ornatex/ornatex.h>

#include "Commands.h"
#include "MeshWriter.h"
#include "OptionParser.h"
#include "StrictNumber.h"

namespace tool {

namespace {

struct Shape {
    const char* name;
    const char* arguments;  // for the help text
    unsigned required;      // operands that must be given
    unsigned optional;      // further operands that may be given
    const char* description;
};

const Shape shapes[] = {
    {"circle", "R CX CY [Z]", 3, 1, "outline of 24 rim points (line loop)"},
    {"disc", "R CX CY [Z]", 3, 1, "filled circle with normals (triangle fan)"},
    {"texcircle", "R CX CY [Z]", 3, 1, "filled circle with texture coordinates (triangle fan)"},
    {"cone", "A B L", 3, 0, "open truncated cone along x, radius A at -x, B at +x, length L"},
    {"cylinder", "R L", 2, 0, "open cylinder along x"},
    {"sphere", "R", 1, 0, "subdivided octahedron sphere"},
    {"parametric", "", 0, 0, "flat grid sheet in y = 0; takes --start, --stop, --step"},
};

// 16-bit indices address this many vertices.
constexpr unsigned indexableVertices = 65536;

OptionParser makeParser() {
    return OptionParser("mesh", {
        {"output", 'o', 1, "OUT", "file to write (.obj or .ply), or - for standard output"},
        {"format", 'f', 1, "obj|ply", "output format (default: from OUT's extension; obj for -o -)"},
        {"start", 0, 2, "U V", "parametric: start of the u and v ranges (default 0 0)"},
        {"stop", 0, 2, "U V", "parametric: end of the ranges (default 12.6 12.6)"},
        {"step", 0, 2, "U V", "parametric: step in u and v (default 0.1 0.1)"},
        {"unit-normals", 0, 0, "", "scale every normal to length 1 in the written file"},
    });
}

void printHelp(const OptionParser& parser) {
    std::fputs("usage: ornatex mesh SHAPE [NUMBERS] [OPTIONS] -o OUT\n"
               "\n"
               "Builds one of the library's primitives and writes its vertex records and\n"
               "faces as Wavefront OBJ or ASCII PLY: positions, normals and texture\n"
               "coordinates where the shape has them; triangle fans and triangle lists\n"
               "become triangles, line loops and strips become polylines. The numbers\n"
               "follow the shape's constructor, in plain decimal notation; Z, the\n"
               "circles' fourth number, has no effect and defaults to 0.\n"
               "\n"
               "shapes:\n",
               stdout);
    for (const Shape& s : shapes) {
        const std::string call = std::string(s.name) + (s.arguments[0] ? " " : "") + s.arguments;
        std::printf("  %-22s %s\n", call.c_str(), s.description);
    }
    std::printf("\n%s", parser.optionsHelp().c_str());
    std::fputs("\n"
               "The cone and the cylinder leave a 10° wedge open: the strip between the\n"
               "sector at 350° and the one at 0° is not built, so the surface has a slit\n"
               "along the x axis. Their ends are not capped. The cone's normals are not\n"
               "unit length (their x component is (A - B) / L; the cylinder's are unit\n"
               "length); --unit-normals writes them scaled to length 1.\n"
               "\n"
               "The parametric grid has (stop - start) / step cells each way. Its indices\n"
               "are 16 bits wide, so a grid of more than 65536 vertices is refused, and so\n"
               "is an empty grid (no cell in one direction, or a step that is not positive).\n"
               "\n"
               "A shape with nothing to draw is refused: a radius of 0 (both radii, for\n"
               "the cone), a cone or cylinder of length 0, or numbers so extreme that the\n"
               "mesh would hold infinities. With -o - the mesh goes to standard output as\n"
               "OBJ unless --format ply is given.\n"
               "\n"
               "Exit status: 0 when the mesh was written, 1 when it was refused or could\n"
               "not be written (no file is left behind), 2 for a usage error.\n",
               stdout);
}

struct GridSettings {
    float start[2] = {0.0f, 0.0f};
    float stop[2] = {12.6f, 12.6f};
    float step[2] = {0.1f, 0.1f};
};

// Why the grid cannot be written, or an empty string. The library sizes the
// grid; the tool refuses, besides what the library refuses, a grid without
// any triangle and one whose 16-bit indices would wrap.
std::string refuseGrid(const GridSettings& g) {
    const ornatex::GridPlan plan = ornatex::planGrid(g.step[0], g.step[1], g.start[0], g.start[1], g.stop[0], g.stop[1]);
    char text[256];
    if (plan.problem != ornatex::GridProblem::none) return "the grid is empty: " + plan.reason;
    if (plan.cellsU <= 0 || plan.cellsV <= 0) {
        std::snprintf(text, sizeof text, "the grid is empty: %.0f by %.0f cells", plan.cellsU, plan.cellsV);
        return text;
    }
    if (plan.vertexCount() > indexableVertices) {
        std::snprintf(text, sizeof text, "the grid has %.0f by %.0f vertices, more than the 65536 its 16-bit indices address",
                      plan.cellsU + 1, plan.cellsV + 1);
        return text;
    }
    return "";
}

// Why the shape's numbers give nothing to draw, or an empty string: a radius
// of 0 puts every vertex of a circle or a sphere on one point, a cone whose
// radii are both 0 is a line, and a length of 0 leaves the cone's normals
// undefined.
std::string refuseShape(const std::string& name, const std::vector<float>& n) {
    if ((name == "circle" || name == "disc" || name == "texcircle" || name == "sphere") && n[0] == 0.0f)
        return "a " + name + " of radius 0 is a single point";
    if ((name == "cone" && n[2] == 0.0f) || (name == "cylinder" && n[1] == 0.0f))
        return "a " + name + " of length 0 has no defined normals";
    if ((name == "cone" && n[0] == 0.0f && n[1] == 0.0f) || (name == "cylinder" && n[0] == 0.0f))
        return "a " + name + " of radius 0 is a line";
    return "";
}

// Whether every number of the mesh is finite: a vertex file has no way to
// say infinity, and the arithmetic of extreme numbers can overflow.
bool allFinite(const Mesh& mesh) {
    for (const std::vector<float>* column : {&mesh.positions, &mesh.normals, &mesh.texCoords})
        for (float x : *column)
            if (!std::isfinite(x)) return false;
    return true;
}

Primitive* build(const Shape& shape, const std::vector<float>& n, const GridSettings& grid) {
    const std::string name = shape.name;
    const float z = n.size() > 3 ? n[3] : 0.0f;
    if (name == "circle") return new kwCircle(n[0], n[1], n[2], z, false);
    if (name == "disc") return new kwCircle(n[0], n[1], n[2], z, true);
    if (name == "texcircle") return new kwTexCircle(n[0], n[1], n[2], z);
    if (name == "cone") return new kwCone(n[0], n[1], n[2]);
    if (name == "cylinder") return new kwCylinder(n[0], n[1]);
    if (name == "sphere") return new kwSphere(n[0]);
    kwParametric* surface = new kwParametric;
    surface->setStep(grid.step[0], grid.step[1]);
    surface->setStart(grid.start[0], grid.start[1]);
    surface->setStop(grid.stop[0], grid.stop[1]);
    surface->update(nullptr);
    return surface;
}

int failed(const std::string& message) {
    std::fprintf(stderr, "ornatex mesh: %s\n", message.c_str());
    return exitFailed;
}

}  // namespace

int runMesh(int argc, char** argv) {
    OptionParser parser = makeParser();
    if (!parser.parse(argc, argv)) return usageError("mesh", parser.error());
    if (parser.given("help")) {
        printHelp(parser);
        return exitOk;
    }
    const std::vector<std::string>& operands = parser.operands();
    if (operands.empty()) return usageError("mesh", "no shape given");
    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (operands[0] == s.name) shape = &s;
    if (!shape) return usageError("mesh", "unknown shape '" + operands[0] + "'");
    const bool parametric = std::string(shape->name) == "parametric";

    std::vector<float> numbers;
    for (std::size_t i = 1; i < operands.size(); ++i) {
        float value = 0.0f;
        if (!parseFloat(operands[i], value)) return usageError("mesh", "'" + operands[i] + "' is not a finite decimal number");
        numbers.push_back(value);
    }
    if (numbers.size() < shape->required || numbers.size() > shape->required + shape->optional)
        return usageError("mesh", std::string(shape->name) + " takes " +
                                      (shape->arguments[0] ? shape->arguments : "no numbers") + ", got " +
                                      std::to_string(numbers.size()) + " number(s)");

    GridSettings grid;
    const char* pairs[] = {"start", "stop", "step"};
    float* targets[] = {grid.start, grid.stop, grid.step};
    for (int p = 0; p < 3; ++p) {
        if (!parser.given(pairs[p])) continue;
        const std::string option = std::string("--") + pairs[p];
        if (!parametric) return usageError("mesh", option + " applies to the parametric shape only");
        const std::vector<std::string>& v = parser.values(pairs[p]);
        if (!parseFloat(v[0], targets[p][0]) || !parseFloat(v[1], targets[p][1]))
            return usageError("mesh", option + " needs two finite decimal numbers U V");
    }

    if (!parser.given("output")) return usageError("mesh", "no output file (-o OUT.obj, -o OUT.ply or -o -)");
    const std::string out = parser.value("output");
    MeshFormat format = meshFormatFor(out);
    if (parser.given("format")) {
        format = meshFormatFor("." + parser.value("format"));
        if (format == MeshFormat::unknown) return usageError("mesh", "unknown format '" + parser.value("format") + "' (obj or ply)");
    }
    // Standard output has no extension to tell the format by: OBJ, the
    // format that every viewer reads, unless --format says otherwise.
    if (format == MeshFormat::unknown && out == "-") format = MeshFormat::obj;
    if (format == MeshFormat::unknown)
        return usageError("mesh", "cannot tell the output format of '" + out + "' (use .obj or .ply, or --format)");

    if (parametric) {
        const std::string refusal = refuseGrid(grid);
        if (!refusal.empty()) return failed(refusal);
    }
    if (!parametric) {
        const std::string refusal = refuseShape(shape->name, numbers);
        if (!refusal.empty()) return failed(refusal);
    }

    std::unique_ptr<Primitive> primitive;
    try {
        primitive.reset(build(*shape, numbers, grid));
    } catch (const std::bad_alloc&) {
        return failed(std::string("not enough memory for this ") + shape->name);
    }
    if (primitive->getVertexCount() > indexableVertices)
        return failed("the mesh has " + std::to_string(primitive->getVertexCount()) +
                      " vertices, more than 16-bit indices address");

    Mesh mesh;
    std::string error = meshFromPrimitive(*primitive, mesh);
    if (error.empty() && !allFinite(mesh))
        return failed(std::string("these numbers overflow single precision: the ") + shape->name +
                      " would hold infinite or not-a-number values");
    if (error.empty() && parser.given("unit-normals")) normalizeNormals(mesh);
    if (error.empty()) {
        // The command that made the file, without where it went.
        std::string comment = "ornatex mesh";
        for (const std::string& operand : operands) comment += " " + operand;
        for (int p = 0; p < 3; ++p)
            if (parser.given(pairs[p]))
                comment += std::string(" --") + pairs[p] + " " + parser.values(pairs[p])[0] + " " +
                           parser.values(pairs[p])[1];
        if (parser.given("unit-normals")) comment += " --unit-normals";
        error = writeMesh(mesh, out, format, comment);
    }
    if (!error.empty()) return failed(out + ": " + error);
    return exitOk;
}

}  // namespace tool
