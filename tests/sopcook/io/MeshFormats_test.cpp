// OBJ, OFF and PLY: real meshes read with the right counts, UVs and
// colours survive the trip, and the PLY encodings agree.
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include "sopcook/TestGeometry.h"
#include "io/AttribAccess.h"
#include "io/FileAccess.h"
#include "io/GeometryFile.h"
#include "io/ObjFormat.h"
#include "io/OffFormat.h"
#include "io/PlyFormat.h"

namespace {

const std::string kMeshes = FLATSKIN_MESHES;

void readMesh(const std::string &name, GU_Detail &g) {
    std::vector<std::string> notes;
    readGeometryFile(kMeshes + "/" + name, g, notes);
}

long long cornerCount(const GU_Detail &g) {
    long long n = 0;
    for (const auto &p : g.primitives()) n += p->getVertexCount();
    return n;
}

TEST(MeshFiles, RealMeshesReadWithTheirCounts) {
    struct Mesh {
        const char *file;
        int points, faces;
    };
    const Mesh meshes[] = {{"nefertiti.off", 299, 562},
                           {"mushroom.off", 2337, 4608},
                           {"lion-head.off", 8356, 16674},
                           {"mech-holes-shark.off", 5246, 10192},
                           {"bunny00.off", 37706, 75408},
                           {"torus_quad.off", 25, 25},
                           {"double-torus-example.off", 231, 220},
                           {"bunny_small.obj", 1839, 3674},
                           {"spot_quads.obj", 2930, 2928},
                           {"duck.obj", 2108, 2144}};
    for (const Mesh &m : meshes) {
        GU_Detail g;
        readMesh(m.file, g);
        EXPECT_EQ(g.points().entries(), m.points) << m.file;
        EXPECT_EQ(g.primitives().entries(), m.faces) << m.file;
    }
    GU_Detail torus;
    readMesh("double-torus-example.off", torus);
    unsigned most = 0;
    for (const auto &p : torus.primitives()) most = std::max(most, p->getVertexCount());
    EXPECT_EQ(most, 7u);  // the largest face of that mesh is a 7-gon
}

TEST(MeshFiles, ObjTextureCoordinatesBecomeVertexUvs) {
    GU_Detail spot;
    readMesh("spot_quads.obj", spot);
    int uv = spot.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(uv, 0);
    EXPECT_EQ(cornerCount(spot), 4LL * 2928);
    // The first corner of the first face, looked up in the file by hand.
    const std::string text = readWholeFile(kMeshes + "/spot_quads.obj");
    size_t f = text.find("\nf ");
    ASSERT_NE(f, std::string::npos);
    const long long vt = std::stoll(text.substr(text.find('/', f) + 1));
    size_t at = text.find("\nvt ");
    for (long long i = 1; i < vt; ++i) at = text.find("\nvt ", at + 1);
    std::istringstream line(text.substr(at + 4, 64));
    float u, v;
    line >> u >> v;
    const GEO_Vertex &first = spot.primitives()(0)->getVertex(0);
    EXPECT_FLOAT_EQ(first.getValue<float>(uv, 0), u);
    EXPECT_FLOAT_EQ(first.getValue<float>(uv, 1), v);
    for (const auto &p : spot.primitives())
        for (const GEO_Vertex &c : p->vertices()) EXPECT_EQ(c.getValue<float>(uv, 2), 0.0f);
}

TEST(MeshFiles, ObjWritesOneTexcoordPerCornerOfTheCurrentLayer) {
    GU_Detail a;
    makeTwoTriangles(a);
    float zero[3] = {0, 0, 0};
    int other = a.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
    int uv2 = a.addVertexAttrib("uv2", 12, GB_ATTRIB_FLOAT, zero);
    int two = 2;
    a.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &two);
    float k = 0;
    for (const auto &p : a.primitives())
        for (GEO_Vertex &v : p->vertices()) {
            v.setValue<float>(uv2, 0.125f * ++k, 0);
            v.setValue<float>(uv2, 1.0f - 0.0625f * k, 1);
            v.setValue<float>(other, 9.0f, 0);
        }
    a.newPrimitiveGroup("second")->add(1);
    std::vector<std::string> notes;
    std::string text = writeObj(a, notes);
    size_t vts = 0;
    for (size_t at = text.find("\nvt "); at != std::string::npos; at = text.find("\nvt ", at + 1)) ++vts;
    EXPECT_EQ(vts, 6u);

    GU_Detail b;
    readObj(text, "uv.obj", b, notes);
    int buv = b.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(buv, 0);
    ASSERT_EQ(b.primitives().entries(), 2);
    for (int p = 0; p < 2; ++p)
        for (unsigned c = 0; c < 3; ++c) {
            const GEO_Vertex &va = a.primitives()(p)->getVertex(c), &vb = b.primitives()(p)->getVertex(c);
            EXPECT_EQ(va.getPt()->getNum(), vb.getPt()->getNum());
            EXPECT_EQ(va.getValue<float>(uv2, 0), vb.getValue<float>(buv, 0));
            EXPECT_EQ(va.getValue<float>(uv2, 1), vb.getValue<float>(buv, 1));
        }
    ASSERT_NE(b.findPrimitiveGroup("second"), nullptr);
    EXPECT_FALSE(b.findPrimitiveGroup("second")->contains(0));
    EXPECT_TRUE(b.findPrimitiveGroup("second")->contains(1));
}

TEST(MeshFiles, ObjGroupsObjectsAndRelativeIndices) {
    const std::string text = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0.5 0.25\n"
                             "o body\ng a b\nf -4/1 -3/1 -2/1\ng a\nf 1 3 4\n";
    GU_Detail g;
    std::vector<std::string> notes;
    readObj(text, "groups.obj", g, notes);
    ASSERT_EQ(g.primitives().entries(), 2);
    EXPECT_EQ(g.primitives()(0)->getVertex(2).getPt()->getNum(), 2);
    EXPECT_EQ(g.findPrimitiveGroup("a")->entries(), 2);
    EXPECT_EQ(g.findPrimitiveGroup("b")->entries(), 1);
    EXPECT_EQ(g.findPrimitiveGroup("body")->entries(), 2);
    int uv = g.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    EXPECT_FLOAT_EQ(g.primitives()(0)->getVertex(0).getValue<float>(uv, 1), 0.25f);
    EXPECT_FLOAT_EQ(g.primitives()(1)->getVertex(0).getValue<float>(uv, 1), 0.0f);
}

TEST(MeshFiles, OffColourVariants) {
    // COFF with integer vertex colours, face colours as floats and as
    // integers, and a colour-map index that has no colour to keep.
    const std::string text =
        "COFF\n# comment\n4 3 0\n0 0 0 255 0 0 255\n1 0 0 0 255 0 255\n1 1 0 0 0 255 255\n0 1 0 255 255 255 255\n"
        "3 0 1 2 0.5 0.25 1.0\n3 0 2 3 255 0 0\n3 1 2 3 7\n";
    GU_Detail g;
    readOff(text, "c.off", g);
    int pcd = g.pointAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    int fcd = g.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(pcd, 0);
    ASSERT_GE(fcd, 0);
    EXPECT_FLOAT_EQ(g.points()(1)->getValue<float>(pcd, 1), 1.0f);
    EXPECT_FLOAT_EQ(g.primitives()(0)->getValue<float>(fcd, 1), 0.25f);
    EXPECT_FLOAT_EQ(g.primitives()(1)->getValue<float>(fcd, 0), 1.0f);
    EXPECT_FLOAT_EQ(g.primitives()(2)->getValue<float>(fcd, 0), 0.0f);

    std::vector<std::string> notes;
    GU_Detail back;
    readOff(writeOff(g, notes), "c2.off", back);
    int bcd = back.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(bcd, 0);
    // A colour of whole numbers must not be read back as 0..255.
    EXPECT_FLOAT_EQ(back.primitives()(1)->getValue<float>(bcd, 0), 1.0f);
    EXPECT_FLOAT_EQ(back.primitives()(0)->getValue<float>(bcd, 1), 0.25f);
}

/// Same positions and corners in both details.
void expectSameMesh(const GU_Detail &a, const GU_Detail &b) {
    ASSERT_EQ(a.points().entries(), b.points().entries());
    ASSERT_EQ(a.primitives().entries(), b.primitives().entries());
    for (int i = 0; i < a.points().entries(); ++i) ASSERT_EQ(a.points()(i)->getPos(), b.points()(i)->getPos()) << i;
    for (int i = 0; i < a.primitives().entries(); ++i) {
        ASSERT_EQ(a.primitives()(i)->getVertexCount(), b.primitives()(i)->getVertexCount());
        for (unsigned v = 0; v < a.primitives()(i)->getVertexCount(); ++v)
            ASSERT_EQ(a.primitives()(i)->getVertex(v).getPt()->getNum(),
                      b.primitives()(i)->getVertex(v).getPt()->getNum());
    }
}

TEST(MeshFiles, PlyEncodingsAgreeAndKeepColoursAndTexcoords) {
    GU_Detail duck;
    readMesh("duck.obj", duck);
    float grey[3] = {0.5f, 0.5f, 0.5f};
    int cd = duck.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, grey);
    for (const auto &p : duck.primitives()) p->setValue<float>(cd, static_cast<float>(p->getNum() % 256) / 255.0f, 0);
    std::vector<std::string> notes;
    GU_Detail ascii, little, big;
    readPly(writePly(duck, PlyEncoding::Ascii, notes), "a.ply", ascii);
    readPly(writePly(duck, PlyEncoding::BinaryLittleEndian, notes), "l.ply", little);
    readPly(writePly(duck, PlyEncoding::BinaryBigEndian, notes), "b.ply", big);
    expectSameMesh(duck, ascii);
    expectSameMesh(ascii, little);
    expectSameMesh(ascii, big);
    int uvA = ascii.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int uvB = big.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int uvD = duck.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int cdB = big.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(uvA, 0);
    ASSERT_GE(uvB, 0);
    ASSERT_GE(cdB, 0);
    for (int i = 0; i < duck.primitives().entries(); ++i) {
        EXPECT_NEAR(big.primitives()(i)->getValue<float>(cdB, 0), duck.primitives()(i)->getValue<float>(cd, 0),
                    0.5f / 255);
        for (unsigned v = 0; v < duck.primitives()(i)->getVertexCount(); ++v)
            for (int c = 0; c < 2; ++c) {
                float want = duck.primitives()(i)->getVertex(v).getValue<float>(uvD, c);
                EXPECT_EQ(ascii.primitives()(i)->getVertex(v).getValue<float>(uvA, c), want);
                EXPECT_EQ(big.primitives()(i)->getVertex(v).getValue<float>(uvB, c), want);
            }
    }
}

TEST(MeshFiles, PlyReadsOtherElementsAndPropertyNames) {
    // A vertex_index list, an int8 count, extra properties and an element the
    // reader does not use, all in big-endian binary.
    std::string h = "ply\nformat binary_big_endian 1.0\nelement vertex 3\nproperty double x\nproperty double y\n"
                    "property double z\nproperty float quality\nelement material 1\nproperty list uchar int junk\n"
                    "element face 1\nproperty list char uint vertex_index\nend_header\n";
    auto be = [](std::string &s, const void *p, size_t n) {
        const unsigned char *b = static_cast<const unsigned char *>(p);
        for (size_t i = 0; i < n; ++i) s += static_cast<char>(b[n - 1 - i]);
    };
    for (int i = 0; i < 3; ++i) {
        double xyz[3] = {1.0 * i, 2.0 * i, -1.0};
        for (double d : xyz) be(h, &d, 8);
        float q = 0.5f * i;
        be(h, &q, 4);
    }
    h += '\x02';
    for (int j = 0; j < 2; ++j) {
        std::int32_t v = 9;
        be(h, &v, 4);
    }
    h += '\x03';
    for (std::uint32_t i : {2u, 1u, 0u}) be(h, &i, 4);
    GU_Detail g;
    readPly(h, "be.ply", g);
    ASSERT_EQ(g.points().entries(), 3);
    ASSERT_EQ(g.primitives().entries(), 1);
    EXPECT_EQ(g.points()(2)->getPos(), UT_Vector4(2, 4, -1));
    EXPECT_EQ(g.primitives()(0)->getVertex(0).getPt()->getNum(), 2);
    int q = g.pointAttribs().getOffset("quality", 4, GB_ATTRIB_FLOAT);
    ASSERT_GE(q, 0);
    EXPECT_FLOAT_EQ(g.points()(1)->getValue<float>(q), 0.5f);
}

/// What a cook leaves: the current layer "uv2" on vertices (seamed: the
/// two triangles disagree at their shared points), primitive colours and
/// the output group; beside them an older layer, a point attribute, a
/// point group and a detail attribute.
void makeCooked(GU_Detail &g) {
    makeTwoTriangles(g);
    float zero[3] = {0, 0, 0};
    const int uv2 = g.addVertexAttrib("uv2", 12, GB_ATTRIB_FLOAT, zero);
    g.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
    int two = 2;
    g.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &two);
    g.addAttrib("other", 4, GB_ATTRIB_INT, &two);
    const int cd = g.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, zero);
    g.addPointAttrib("seam", 4, GB_ATTRIB_FLOAT, zero);
    for (const auto &p : g.primitives()) {
        p->setValue<float>(cd, 0.25f * static_cast<float>(p->getNum() + 1), 1);
        for (GEO_Vertex &v : p->vertices()) {
            const auto &pos = v.getPt()->getPos();
            v.setValue<float>(uv2, pos.x() + 2.0f * static_cast<float>(p->getNum()), 0);
            v.setValue<float>(uv2, pos.y() * 0.5f, 1);
        }
    }
    g.newPrimitiveGroup("UnwrappedGroup")->add(0);
    g.newPointGroup("pins")->add(1);
}

std::set<std::string> warnings(const char *format, std::set<std::pair<std::string, std::string>> items) {
    std::set<std::string> out;
    for (const auto &[kind, name] : items)
        out.insert(std::string("warning: ") + format + " cannot hold the " + kind + " \"" + name + "\"; left out");
    return out;
}

TEST(MeshFiles, WritersKeepTheCooksProductsAndNameWhatTheyLeaveOut) {
    GU_Detail g;
    makeCooked(g);
    const std::set<std::pair<std::string, std::string>> others = {{"vertex attribute", "uv"},
                                                                  {"point attribute", "seam"},
                                                                  {"detail attribute", "other"},
                                                                  {"point group", "pins"}};
    auto plus = [&](std::set<std::pair<std::string, std::string>> more) {
        more.insert(others.begin(), others.end());
        return more;
    };
    struct Case {
        const char *file;
        std::set<std::string> notes;
    };
    const Case cases[] = {
        {"c.geo", {}},
        {"c.obj", warnings(".obj", plus({{"primitive attribute", "Cd"}}))},
        {"c.ply", warnings(".ply", plus({{"primitive group", "UnwrappedGroup"}}))},
        {"c.off", warnings(".off", plus({{"primitive group", "UnwrappedGroup"}}))},
    };
    for (const Case &c : cases) {
        std::vector<std::string> notes;
        formatGeometry(c.file, g, notes);
        std::set<std::string> got(notes.begin(), notes.end());
        if (std::string(c.file) == "c.off") {
            EXPECT_EQ(got.erase(".off holds one texture coordinate per point: 2 points copied where the corners of a "
                                "point have different \"uv2\""),
                      1u);
        }
        EXPECT_EQ(got, c.notes) << c.file;
    }
}

TEST(MeshFiles, OffKeepsCornerUvsByCopyingPointsAndFaceColours) {
    GU_Detail g, back;
    makeCooked(g);
    std::vector<std::string> notes;
    const std::string text = writeOff(g, notes);
    EXPECT_EQ(text.substr(0, 6), "STOFF\n");
    readOff(text, "c.off", back);
    // Points 0 and 2 are shared by triangles that disagree: one copy each.
    ASSERT_EQ(back.points().entries(), 6);
    ASSERT_EQ(back.primitives().entries(), 2);
    const int uv2 = g.vertexAttribs().getOffset("uv2", 12, GB_ATTRIB_FLOAT);
    const int buv = back.pointAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    const int cd = g.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    const int bcd = back.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(buv, 0);
    ASSERT_GE(bcd, 0);
    for (int p = 0; p < 2; ++p) {
        const GEO_Primitive &a = *g.primitives()(p), &b = *back.primitives()(p);
        EXPECT_EQ(a.getValue<float>(cd, 1), b.getValue<float>(bcd, 1));
        for (unsigned v = 0; v < 3; ++v) {
            const GEO_Point &pb = *b.getVertex(v).getPt();
            EXPECT_EQ(a.getVertex(v).getPt()->getPos(), pb.getPos());
            for (int c = 0; c < 2; ++c) EXPECT_EQ(a.getVertex(v).getValue<float>(uv2, c), pb.getValue<float>(buv, c));
        }
    }
    // Corners that agree share their point: the first triangle is untouched.
    EXPECT_EQ(back.primitives()(0)->getVertex(0).getPt()->getNum(), 0);
    EXPECT_EQ(back.primitives()(1)->getVertex(0).getPt()->getNum(), 4);
}

TEST(MeshFiles, PrimitivesAFormatCannotHoldAreCountedAndTheFileReadsBack) {
    GU_Detail g;
    makeTwoTriangles(g);
    int two[] = {1, 3}, one[] = {2};
    g.appendPoly(two, 2, false);
    g.appendPoly(two, 2, true);
    g.appendPoly(one, 1, false);
    g.appendOther("Sphere", one, 1)->body = "1 0 0 0 1 0 0 0 1";
    struct Case {
        const char *file;
        int prims;
        std::set<std::string> notes;
    };
    const Case cases[] = {
        {"s.geo", 6, {}},
        {"s.obj",
         2,
         {"warning: .obj cannot hold 1 primitives that are not polygons; left out",
          "warning: .obj cannot hold 2 polygons with too few points; left out"}},
        {"s.off",
         2,
         {"warning: .off cannot hold 1 primitives that are not polygons; left out",
          "warning: .off cannot hold 3 polygons with too few points; left out"}},
        {"s.ply",
         2,
         {"warning: .ply cannot hold 1 primitives that are not polygons; left out",
          "warning: .ply cannot hold 3 polygons with too few points; left out"}},
    };
    for (const Case &c : cases) {
        TempDir dir;
        std::vector<std::string> notes;
        writeGeometryFile(dir.file(c.file), g, notes);
        EXPECT_EQ(std::set<std::string>(notes.begin(), notes.end()), c.notes) << c.file;
        GU_Detail back;
        readGeometryFile(dir.file(c.file), back, notes);
        EXPECT_EQ(back.primitives().entries(), c.prims) << c.file;
    }
}

}  // namespace
