// `ornatex mesh` end to end: the written OBJ is read back and compared with
// the arrays the library builds for the same shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <ornatex/ornatex.h>

#include "ToolTestSupport.h"

namespace {

struct ObjFile {
    std::vector<float> v, vt, vn;
    std::vector<unsigned> faces;  // 0-based, three per triangle
    std::vector<std::vector<unsigned>> lines;
    std::string faceStyle;        // "v", "v/vt", "v//vn" or "v/vt/vn"
};

// A small OBJ reader for what the tool writes: v, vt, vn, triangles whose
// position, texture and normal numbers agree, and polylines.
ObjFile readObj(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    ObjFile obj;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        float x;
        if (kind == "v") while (words >> x) obj.v.push_back(x);
        else if (kind == "vt") while (words >> x) obj.vt.push_back(x);
        else if (kind == "vn") while (words >> x) obj.vn.push_back(x);
        else if (kind == "f" || kind == "l") {
            std::vector<unsigned> refs;
            std::string ref;
            while (words >> ref) {
                std::vector<std::string> parts{""};
                for (char c : ref) c == '/' ? parts.push_back("") : void(parts.back() += c);
                const unsigned n = std::stoul(parts[0]);
                for (std::size_t k = 1; k < parts.size(); ++k)
                    if (!parts[k].empty() && std::stoul(parts[k]) != n) throw std::runtime_error("mixed numbers " + ref);
                if (kind == "f") {
                    obj.faceStyle = parts.size() == 1   ? "v"
                                    : parts.size() == 2 ? "v/vt"
                                    : parts[1].empty()  ? "v//vn"
                                                        : "v/vt/vn";
                }
                refs.push_back(n - 1);
            }
            if (kind == "f") {
                EXPECT_EQ(refs.size(), 3u) << line;
                obj.faces.insert(obj.faces.end(), refs.begin(), refs.end());
            } else {
                obj.lines.push_back(refs);
            }
        }
    }
    return obj;
}

std::vector<float> column(const Primitive& p, int first, int count) {
    const int stride = kwVertexFloats(p.getVertexFormat());
    std::vector<float> out;
    for (unsigned v = 0; v < p.getVertexCount(); ++v)
        for (int k = 0; k < count; ++k) out.push_back(p.getVertexData()[v * stride + first + k]);
    return out;
}

std::vector<unsigned> indexList(const Primitive& p) {
    return std::vector<unsigned>(p.getIndexData(), p.getIndexData() + p.getIndexCount());
}

class MeshExport : public ::testing::Test {
protected:
    ObjFile export_(const std::string& args) {
        const std::string out = dir.file("mesh.obj");
        const tooltest::RunResult r = tooltest::runTool("mesh " + args + " -o " + out);
        EXPECT_EQ(r.status, 0) << args;
        return readObj(out);
    }
    // `mesh ARGS -o OUT` exits with 1, says why and leaves no file.
    void expectRefused(const std::string& args, const std::string& out, const std::string& message) {
        const tooltest::RunResult r = tooltest::runTool("mesh " + args + " -o " + out + " 2>&1");
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.output.find("ornatex mesh: " + message), std::string::npos) << args << "\n" << r.output;
        EXPECT_FALSE(std::filesystem::exists(out)) << args;
    }
    tooltest::TempDir dir;
};

}  // namespace

TEST_F(MeshExport, ConeRoundTripsExactly) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    const ObjFile obj = export_("cone 2 1 4");
    EXPECT_EQ(obj.v, column(*cone, 3, 3));
    EXPECT_EQ(obj.vn, column(*cone, 0, 3));
    EXPECT_TRUE(obj.vt.empty());
    EXPECT_EQ(obj.faceStyle, "v//vn");
    EXPECT_EQ(obj.faces, indexList(*cone));
    EXPECT_TRUE(obj.lines.empty());
}

TEST_F(MeshExport, ParametricGridWithRangesRoundTripsExactly) {
    std::unique_ptr<kwParametric> grid(new kwParametric);
    grid->setStart(1.0f, -1.0f);
    grid->setStop(2.0f, 1.5f);
    grid->setStep(0.25f, 0.5f);
    grid->update(nullptr);
    const ObjFile obj = export_("parametric --start 1 -1 --stop 2 1.5 --step 0.25 0.5");
    ASSERT_EQ(obj.v.size(), 3u * 5 * 6);
    EXPECT_EQ(obj.v, column(*grid, 5, 3));
    EXPECT_EQ(obj.vn, column(*grid, 2, 3));
    EXPECT_EQ(obj.vt, column(*grid, 0, 2));
    EXPECT_EQ(obj.faceStyle, "v/vt/vn");
    EXPECT_EQ(obj.faces, indexList(*grid));
}

TEST_F(MeshExport, SphereTrianglesAreConsecutiveTriples) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.5f));
    const ObjFile obj = export_("sphere 1.5");
    EXPECT_EQ(obj.v, column(*sphere, 3, 3));
    ASSERT_EQ(obj.faces.size(), 1536u);
    for (unsigned i = 0; i < obj.faces.size(); ++i) ASSERT_EQ(obj.faces[i], i);
}

TEST_F(MeshExport, FansBecomeTrianglesAroundTheFirstVertex) {
    for (const char* shape : {"disc 2 1 1", "texcircle 2 1 1 5"}) {
        const ObjFile obj = export_(shape);
        ASSERT_EQ(obj.v.size(), 72u) << shape;
        ASSERT_EQ(obj.faces.size(), 22u * 3) << shape;
        for (unsigned t = 0; t < 22; ++t) {
            EXPECT_EQ(obj.faces[3 * t], 0u);
            EXPECT_EQ(obj.faces[3 * t + 1], t + 1);
            EXPECT_EQ(obj.faces[3 * t + 2], t + 2);
        }
    }
    EXPECT_EQ(export_("texcircle 2 0 0").faceStyle, "v/vt");
    EXPECT_EQ(export_("texcircle 2 0 0").vt[0], 1.0f);
}

TEST_F(MeshExport, OutlineBecomesAClosedPolyline) {
    std::unique_ptr<kwCircle> circle(new kwCircle(1.0f, 0.5f, 0.0f, 0.0f, false));
    const ObjFile obj = export_("circle 1 0.5 0");
    EXPECT_TRUE(obj.faces.empty());
    ASSERT_EQ(obj.lines.size(), 1u);
    std::vector<unsigned> loop;
    for (unsigned i = 0; i < 24; ++i) loop.push_back(i);
    loop.push_back(0);
    EXPECT_EQ(obj.lines[0], loop);
    ASSERT_EQ(obj.v.size(), 72u);
    for (unsigned i = 0; i < 24; ++i) {
        EXPECT_EQ(obj.v[3 * i], circle->getVertexData()[2 * i]);
        EXPECT_EQ(obj.v[3 * i + 1], circle->getVertexData()[2 * i + 1]);
        EXPECT_EQ(obj.v[3 * i + 2], 0.0f);
    }
}

TEST_F(MeshExport, PlyHeaderMatchesTheBody) {
    const std::string out = dir.file("cyl.ply");
    ASSERT_EQ(tooltest::runTool("mesh cylinder 1 3 -o " + out).status, 0);
    std::ifstream in(out);
    std::string line;
    std::vector<std::string> header;
    while (std::getline(in, line) && line != "end_header") header.push_back(line);
    ASSERT_GE(header.size(), 2u);
    EXPECT_EQ(header[0], "ply");
    EXPECT_EQ(header[1], "format ascii 1.0");
    auto has = [&](const std::string& text) { return std::find(header.begin(), header.end(), text) != header.end(); };
    EXPECT_TRUE(has("element vertex 144"));
    EXPECT_TRUE(has("element face 210"));
    EXPECT_TRUE(has("property float nz"));
    std::vector<std::string> body;
    while (std::getline(in, line)) body.push_back(line);
    ASSERT_EQ(body.size(), 144u + 210u);
    EXPECT_EQ(body[0], "-1.5 0 1 0 0 1");
    EXPECT_EQ(body[144], "3 0 1 4");
}

TEST_F(MeshExport, UsageErrorsExitWith2AndSayWhy) {
    const std::string out = dir.file("x.obj");
    const struct {
        std::string args, message;
    } cases[] = {
        {"mesh", "no shape given"},
        {"mesh torus 1 -o " + out, "unknown shape 'torus'"},
        {"mesh cone 1 2 -o " + out, "cone takes A B L, got 2"},
        {"mesh sphere 1 2 -o " + out, "sphere takes R, got 2"},
        {"mesh sphere one -o " + out, "'one' is not a finite decimal number"},
        {"mesh sphere nan -o " + out, "'nan' is not a finite decimal number"},
        {"mesh sphere 0x10 -o " + out, "'0x10' is not a finite decimal number"},
        {"mesh sphere 1e40 -o " + out, "'1e40' is not a finite decimal number"},
        {"mesh sphere 1", "no output file"},
        {"mesh sphere 1 -o " + dir.file("x.stl"), "cannot tell the output format"},
        {"mesh sphere 1 -o - --format stl", "unknown format 'stl'"},
        {"mesh cone 1 2 3 --start 0 0 -o " + out, "--start applies to the parametric shape only"},
        {"mesh parametric --step 0.1 x -o " + out, "--step needs two finite decimal numbers"},
        {"mesh parametric --step 0.1", "option --step needs U V"},
        {"mesh sphere 1 -o", "option -o needs OUT"},
        {"mesh sphere 1 -o a.obj -o b.obj", "option -o given twice"},
        {"mesh sphere 1 --radius 2 -o " + out, "unknown option --radius"},
    };
    for (const auto& c : cases) {
        const tooltest::RunResult r = tooltest::runTool(c.args + " 2>&1");
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.output.find("ornatex mesh: " + c.message), std::string::npos) << c.args << "\n" << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(MeshExport, OptionsMayComeBeforeTheShapeAndNegativeNumbersAreOperands) {
    const std::string out = dir.file("c.obj");
    ASSERT_EQ(tooltest::runTool("mesh -o " + out + " circle -1 -0.5 .25").status, 0);
    const ObjFile obj = readObj(out);
    ASSERT_EQ(obj.v.size(), 72u);
    // Rim point 0 lies at angle 0 from the centre (-0.5, 0.25): radius -1 puts it at x = -1.5.
    EXPECT_EQ(obj.v[0], -1.5f);
    EXPECT_EQ(obj.v[1], 0.25f);
}

TEST_F(MeshExport, HelpListsEveryShapeAndTellsTheConesOpenWedgeAndNormals) {
    const tooltest::RunResult r = tooltest::runTool("mesh --help");
    EXPECT_EQ(r.status, 0);
    for (const char* line : {"circle R CX CY [Z]", "disc R CX CY [Z]", "texcircle R CX CY [Z]", "cone A B L",
                             "cylinder R L", "sphere R", "parametric", "--start", "--stop", "--step",
                             "10° wedge open", "not\nunit length", "--unit-normals"})
        EXPECT_NE(r.output.find(line), std::string::npos) << line;
    EXPECT_EQ(tooltest::runTool("help mesh").output, r.output);
}

TEST_F(MeshExport, UnitNormalsOptionScalesTheConesNormals) {
    // Cone 2 1 4: every normal is (0.25, sin, cos), of length sqrt(1.0625).
    const ObjFile raw = export_("cone 2 1 4");
    const ObjFile unit = export_("cone 2 1 4 --unit-normals");
    ASSERT_EQ(unit.vn.size(), 144u * 3);
    EXPECT_EQ(unit.v, raw.v);
    EXPECT_EQ(raw.vn[0], 0.25f);
    EXPECT_NEAR(unit.vn[0], 0.25 / std::sqrt(1.0625), 1e-7);
    EXPECT_NEAR(unit.vn[2], 1.0 / std::sqrt(1.0625), 1e-7);
    for (std::size_t i = 0; i < unit.vn.size(); i += 3)
        EXPECT_NEAR(unit.vn[i] * unit.vn[i] + unit.vn[i + 1] * unit.vn[i + 1] + unit.vn[i + 2] * unit.vn[i + 2], 1.0,
                    1e-6);
}

TEST_F(MeshExport, DashWritesToStandardOutput) {
    const tooltest::RunResult r = tooltest::runTool("mesh cylinder 1 3 -o - --format ply");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("ply\nformat ascii 1.0\n", 0), 0u);
    EXPECT_NE(r.output.find("element vertex 144\n"), std::string::npos);
}

TEST_F(MeshExport, DashWithoutFormatWritesObj) {
    const tooltest::RunResult r = tooltest::runTool("mesh sphere 1 -o -");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output.rfind("# ornatex mesh sphere 1\n", 0), 0u) << r.output.substr(0, 80);
    EXPECT_NE(r.output.find("\nv 0 0 1\n"), std::string::npos);
    EXPECT_NE(r.output.find("\nf 1//1 2//2 3//3\n"), std::string::npos);
}

TEST_F(MeshExport, ShapesWithNothingToDrawAreRefusedWithoutAFile) {
    const std::string out = dir.file("shape.obj");
    const struct {
        std::string args, message;
    } cases[] = {
        {"sphere 0", "a sphere of radius 0 is a single point"},
        {"circle 0 1 2", "a circle of radius 0 is a single point"},
        {"disc -0 1 2", "a disc of radius 0 is a single point"},
        {"texcircle 0 0 0", "a texcircle of radius 0 is a single point"},
        {"cylinder 0 2", "a cylinder of radius 0 is a line"},
        {"cone 0 0 2", "a cone of radius 0 is a line"},
        {"cylinder 1 0", "a cylinder of length 0 has no defined normals"},
        // The normals' x component, -1e20 / 3e-20, overflows single precision.
        {"cone 100000000000000000000 200000000000000000000 0.00000000000000000003",
         "these numbers overflow single precision: the cone would hold infinite or not-a-number values"},
    };
    for (const auto& c : cases) expectRefused(c.args, out, c.message);
    // A cone with one radius 0 comes to a point, and is drawn.
    EXPECT_EQ(tooltest::runTool("mesh cone 0 1 2 -o " + out).status, 0);
}

TEST_F(MeshExport, GridsBeyond16BitIndicesAndEmptyGridsAreRefusedWithoutAFile) {
    const std::string out = dir.file("grid.ply");
    const struct {
        std::string args, message;
    } cases[] = {
        // 1261 x 1261 vertices: the grid whose indices used to wrap.
        {"--step 0.01 0.01", "the grid has 1261 by 1261 vertices, more than the 65536"},
        {"--stop 256 255 --step 1 1", "the grid has 257 by 256 vertices, more than the 65536"},
        {"--step 1e-30 1e-30", "the grid has 1260000"},
        {"--step 0 0.1", "the grid is empty: the step (0, 0.1) is not a positive finite number"},
        {"--step -1 1", "the grid is empty: the step (-1, 1) is not a positive finite number"},
        {"--start 1 0 --stop 1 5", "the grid is empty: 0 by 50 cells"},
        {"--start 5 5 --stop 0 0", "the grid is empty: a stop lies two steps or more below its start (-50 by -50 cells)"},
    };
    for (const auto& c : cases) expectRefused("parametric " + c.args, out, c.message);
    // The largest grid that fits: 256 x 256 vertices.
    ASSERT_EQ(tooltest::runTool("mesh parametric --stop 255 255 --step 1 1 -o " + out).status, 0);
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(MeshExport, FailuresToWriteLeaveNoFile) {
    tooltest::RunResult r = tooltest::runTool("mesh sphere 1 -o " + dir.file("missing/dir/x.obj") + " 2>&1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("ornatex mesh: "), std::string::npos);
    r = tooltest::runTool("mesh cone 1 2 0 -o " + dir.file("flat.obj") + " 2>&1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("a cone of length 0 has no defined normals"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.file("flat.obj")));
    if (std::filesystem::exists("/dev/full")) {
        r = tooltest::runTool("mesh sphere 1 -o - --format obj >/dev/full 2>&1");
        EXPECT_EQ(r.status, 1);
    }
}
