// `ornatex mesh SHAPE ARGS -o OUT.obj|OUT.ply`: builds one of the library's
// primitives and writes its arrays as a mesh.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <ornatex/ornatex.h>

#include "Commands.h"
#include "MeshWriter.h"

namespace tool {

namespace {

struct Shape {
    const char* name;
    const char* arguments;    // for the help text
    unsigned required;        // positional numbers that must be given
    unsigned optional;        // further positional numbers that may be given
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

const char meshHelpHead[] =
    "usage: ornatex mesh SHAPE [NUMBERS] [--start U V] [--stop U V] [--step U V] -o OUT\n"
    "\n"
    "Builds one of the library's primitives and writes its vertex records and\n"
    "faces as Wavefront OBJ (OUT ends in .obj) or ASCII PLY (OUT ends in .ply):\n"
    "positions, normals and texture coordinates where the shape has them;\n"
    "triangle fans and triangle lists become triangles, line loops and strips\n"
    "become polylines. The numbers follow the shape's constructor; Z, the\n"
    "circles' fourth number, has no effect and defaults to 0.\n"
    "\n"
    "Shapes:\n";

const char meshHelpTail[] =
    "\n"
    "--start, --stop and --step set the parametric grid's ranges and steps\n"
    "(defaults: start 0 0, stop 12.6 12.6, step 0.1 0.1). The library's own\n"
    "messages go to standard output.\n"
    "\n"
    "Exit status: 0 when the mesh was written, 1 when it was not, 2 for a usage error.\n";

void printHelp(std::FILE* out) {
    std::fputs(meshHelpHead, out);
    for (const Shape& s : shapes) {
        const std::string call = std::string(s.name) + (s.arguments[0] ? " " : "") + s.arguments;
        std::fprintf(out, "  %-24s %s\n", call.c_str(), s.description);
    }
    std::fputs(meshHelpTail, out);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "ornatex mesh: %s\n", message.c_str());
    std::fprintf(stderr, "'ornatex mesh --help' lists the shapes and their arguments.\n");
    return exitUsage;
}

// A finite number written in full, or false.
bool parseNumber(const char* text, float& value) {
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text, &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

struct Pair {
    bool given = false;
    float u = 0.0f, v = 0.0f;
};

Primitive* build(const Shape& shape, const std::vector<float>& n, const Pair& start, const Pair& stop,
                 const Pair& step) {
    const std::string name = shape.name;
    const float z = n.size() > 3 ? n[3] : 0.0f;
    if (name == "circle") return new kwCircle(n[0], n[1], n[2], z, false);
    if (name == "disc") return new kwCircle(n[0], n[1], n[2], z, true);
    if (name == "texcircle") return new kwTexCircle(n[0], n[1], n[2], z);
    if (name == "cone") return new kwCone(n[0], n[1], n[2]);
    if (name == "cylinder") return new kwCylinder(n[0], n[1]);
    if (name == "sphere") return new kwSphere(n[0]);
    kwParametric* grid = new kwParametric;
    if (step.given) grid->setStep(step.u, step.v);
    if (start.given) grid->setStart(start.u, start.v);
    if (stop.given) grid->setStop(stop.u, stop.v);
    grid->update(nullptr);
    return grid;
}

}  // namespace

int runMesh(int argc, char** argv) {
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp(stdout);
            return exitOk;
        }
    if (argc < 1) return usageError("no shape given");

    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (std::strcmp(argv[0], s.name) == 0) shape = &s;
    if (!shape) return usageError(std::string("unknown shape '") + argv[0] + "'");

    std::vector<float> numbers;
    Pair start, stop, step;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o") {
            if (i + 1 >= argc) return usageError("-o needs a file name");
            if (!out.empty()) return usageError("-o given twice");
            out = argv[++i];
        } else if (arg == "--start" || arg == "--stop" || arg == "--step") {
            if (std::strcmp(shape->name, "parametric") != 0)
                return usageError(arg + " applies to the parametric shape only");
            Pair& pair = arg == "--start" ? start : arg == "--stop" ? stop : step;
            if (i + 2 >= argc || !parseNumber(argv[i + 1], pair.u) || !parseNumber(argv[i + 2], pair.v))
                return usageError(arg + " needs two finite numbers U V");
            pair.given = true;
            i += 2;
        } else {
            float value = 0.0f;
            if (!parseNumber(argv[i], value))
                return usageError("'" + arg + "' is not a finite number (nor an option)");
            numbers.push_back(value);
        }
    }
    if (numbers.size() < shape->required || numbers.size() > shape->required + shape->optional)
        return usageError(std::string(shape->name) + " takes " + (shape->arguments[0] ? shape->arguments : "no numbers") +
                          ", got " + std::to_string(numbers.size()) + " number(s)");
    if (out.empty()) return usageError("no output file (-o OUT.obj or -o OUT.ply)");
    const MeshFormat format = meshFormatFor(out);
    if (format == MeshFormat::unknown)
        return usageError("cannot tell the output format of '" + out + "' (use .obj or .ply)");

    std::unique_ptr<Primitive> primitive;
    try {
        primitive.reset(build(*shape, numbers, start, stop, step));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ornatex mesh: not enough memory for this %s\n", shape->name);
        return exitFailed;
    }
    std::fflush(stdout);

    Mesh mesh;
    std::string error = meshFromPrimitive(*primitive, mesh);
    if (error.empty()) {
        std::string comment = "ornatex mesh";
        for (int i = 0; i < argc; ++i)
            if (std::strcmp(argv[i], "-o") == 0) ++i;
            else comment += std::string(" ") + argv[i];
        error = writeMesh(mesh, out, format, comment);
    }
    if (!error.empty()) {
        std::fprintf(stderr, "ornatex mesh: %s: %s\n", out.c_str(), error.c_str());
        return exitFailed;
    }
    return exitOk;
}

}  // namespace tool
