// The classic .geo file: what a round trip must keep, and the layouts the
// reader must accept.
#include <gtest/gtest.h>
#include <cstring>
#include "sopcook/TestGeometry.h"
#include "io/GeoFileError.h"
#include "io/GeoFormat.h"
#include "io/GeometryFile.h"

namespace {

/// A detail with one attribute of each class and type, groups, the current
/// layer, an open polygon and a sphere.
void makeRich(GU_Detail &g) {
    makeTwoTriangles(g);
    int open[] = {1, 3};
    g.appendPoly(open, 2, false);
    int centre[] = {2};
    GEO_PrimOther *sphere = g.appendOther("Sphere", centre, 0);
    sphere->body = "2 1 0 0 0 1 0 0 0 1";
    float seam = 0;
    int ps = g.addPointAttrib("seam", 4, GB_ATTRIB_FLOAT, &seam);
    int id0[2] = {7, -3};
    int pid = g.addPointAttrib("ids", 8, GB_ATTRIB_INT, id0);
    float uv0[3] = {0, 0, 0};
    int uv = g.addVertexAttrib("uv2", 12, GB_ATTRIB_FLOAT, uv0);
    float n0[3] = {0, 0, 1};
    int nrm = g.addPrimAttrib("N", 12, GB_ATTRIB_VECTOR, n0);
    int name0 = 1;
    int name = g.addPrimAttrib("name", 4, GB_ATTRIB_INDEX, &name0);
    g.primitiveAttribs().find("name")->strings = {"piece \"a\"", "piece\\b"};
    int layer0 = 2;
    int layer = g.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &layer0);
    g.setDetailValue<int>(layer, 2);
    for (const auto &p : g.points()) {
        p->setValue<float>(ps, 0.1f * static_cast<float>(p->getNum()) + 1e-7f);
        p->setValue<int>(pid, p->getNum() * 1000, 1);
    }
    for (const auto &prim : g.primitives()) {
        prim->setValue<int>(name, prim->getNum() % 2);
        prim->setValue<float>(nrm, -1.5f, 2);
        for (GEO_Vertex &v : prim->vertices())
            v.setValue<float>(uv, 0.25f * static_cast<float>(v.getPt()->getNum()), 1);
    }
    g.newPointGroup("corners")->add(3);
    GB_PrimitiveGroup *pg = g.newPrimitiveGroup("tris");
    pg->add(0);
    pg->add(1);
    g.newPrimitiveGroup("__adhoc", true)->add(0);
}

void expectSameAttributes(const GB_AttributeDict &a, const GB_AttributeDict &b, int slots_a, int slots_b) {
    ASSERT_EQ(a.entries(), b.entries());
    ASSERT_EQ(slots_a, slots_b);
    for (int i = 0; i < a.entries(); ++i) {
        const GB_Attribute &x = a.attributes()[i], &y = b.attributes()[i];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.size, y.size);
        EXPECT_EQ(x.type, y.type) << x.name;
        EXPECT_EQ(x.defaults, y.defaults) << x.name;
        EXPECT_EQ(x.strings, y.strings) << x.name;
    }
}

/// Compares every value of every element (blocks may differ in layout, so
/// attribute by attribute).
void expectSameValues(const GB_AttributeDict &a, const GB_Element &ea, const GB_AttributeDict &b,
                      const GB_Element &eb) {
    for (const GB_Attribute &x : a.attributes()) {
        const GB_Attribute *y = b.find(x.name.c_str());
        ASSERT_NE(y, nullptr);
        EXPECT_EQ(0, std::memcmp(ea.castAttribData<unsigned char>(x.offset),
                                 eb.castAttribData<unsigned char>(y->offset), x.size))
            << x.name;
    }
}

TEST(GeoFile, RoundTripKeepsEveryAttributeGroupAndPrimitive) {
    GU_Detail a, b;
    makeRich(a);
    std::string text = writeGeo(a, "rich.geo");
    readGeo(text, "rich.geo", b);

    ASSERT_EQ(b.points().entries(), 4);
    ASSERT_EQ(b.primitives().entries(), 4);
    expectSameAttributes(a.pointAttribs(), b.pointAttribs(), 4, b.points().entries());
    expectSameAttributes(a.vertexAttribs(), b.vertexAttribs(), 0, 0);
    expectSameAttributes(a.primitiveAttribs(), b.primitiveAttribs(), 4, b.primitives().entries());
    expectSameAttributes(a.attribs(), b.attribs(), 0, 0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.points()(i)->getPos(), b.points()(i)->getPos());
        expectSameValues(a.pointAttribs(), *a.points()(i), b.pointAttribs(), *b.points()(i));
        const GEO_Primitive &pa = *a.primitives()(i), &pb = *b.primitives()(i);
        EXPECT_EQ(pa.getPrimitiveId(), pb.getPrimitiveId());
        ASSERT_EQ(pa.getVertexCount(), pb.getVertexCount());
        expectSameValues(a.primitiveAttribs(), pa, b.primitiveAttribs(), pb);
        for (unsigned v = 0; v < pa.getVertexCount(); ++v) {
            EXPECT_EQ(pa.getVertex(v).getPt()->getNum(), pb.getVertex(v).getPt()->getNum());
            expectSameValues(a.vertexAttribs(), pa.getVertex(v), b.vertexAttribs(), pb.getVertex(v));
        }
    }
    expectSameValues(a.attribs(), a.getDetailElement(), b.attribs(), b.getDetailElement());
    EXPECT_FALSE(static_cast<const GEO_PrimPoly &>(*b.primitives()(2)).isClosed());
    EXPECT_TRUE(static_cast<const GEO_PrimPoly &>(*b.primitives()(0)).isClosed());
    const auto &sphere = static_cast<const GEO_PrimOther &>(*b.primitives()(3));
    EXPECT_EQ(sphere.keyword(), "Sphere");
    EXPECT_EQ(sphere.body, "2 1 0 0 0 1 0 0 0 1");

    ASSERT_NE(b.findPointGroup("corners"), nullptr);
    EXPECT_EQ(b.findPointGroup("corners")->entries(), 1);
    EXPECT_TRUE(b.findPointGroup("corners")->contains(3));
    ASSERT_NE(b.findPrimitiveGroup("tris"), nullptr);
    EXPECT_EQ(b.findPrimitiveGroup("tris")->entries(), 2);
    // Ad-hoc groups belong to a node's cook, not to the file.
    EXPECT_EQ(b.primitiveGroups().entries(), 1);
    // Writing again gives the same text: nothing drifts.
    EXPECT_EQ(writeGeo(b, "rich.geo"), text);
}

TEST(GeoFile, ReadsTheDocumentedLayoutRunsAndWrappedGroups) {
    const std::string text = "PGEOMETRY V5\n"
                             "NPoints 4 NPrims 4\n"
                             "NPointGroups 1 NPrimGroups 1\n"
                             "NPointAttrib 1 NVertexAttrib 1 NPrimAttrib 1 NAttrib 1\n"
                             "PointAttrib\nseam 1 float 0\n"
                             "VertexAttrib\nuv 3 float 0 0 0\n"
                             "PrimitiveAttrib\nCd 3 float 1 1 1\n"
                             "DetailAttrib\ncurrentlayer 1 int 0\n"
                             "0 0 0 1 (0)\n1 0 0 1 (1)\n1 1 0 1 (1)\n0 1 0 1 (0)\n"
                             "Poly 4 < 0 (0 0 0) 1 (1 0 0) 2 (1 1 0) 3 (0 1 0) [0.5 0.5 0.5]\n"
                             "Run 2 Poly\n"
                             " 3 < 0 (0 0 0) 1 (1 0 0) 2 (1 1 0) [1 0 0]\n"
                             " 2 : 2 (1 1 0) 3 (0 1 0) [0 1 0]\n"
                             "NURBCurve 4 : 0 1 2 3\n"
                             "  4 0 0 0 0 1 1 1 1 [0 0 1]\n"
                             " (2)\n"
                             "seamed unordered\n4 01\n10\n"
                             "UnwrappedGroup ordered\n4 1101\n"
                             "beginExtra\nendExtra\n";
    GU_Detail g;
    readGeo(text, "doc.geo", g);
    ASSERT_EQ(g.primitives().entries(), 4);
    EXPECT_EQ(g.primitives()(1)->getVertexCount(), 3u);
    EXPECT_FALSE(static_cast<const GEO_PrimPoly &>(*g.primitives()(2)).isClosed());
    const auto &curve = static_cast<const GEO_PrimOther &>(*g.primitives()(3));
    EXPECT_EQ(curve.getPrimitiveId(), static_cast<unsigned>(GEOPRIMNURBCURVE));
    EXPECT_EQ(curve.body, "4 : 0 1 2 3\n4 0 0 0 0 1 1 1 1");
    int cd = g.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    EXPECT_FLOAT_EQ(curve.getValue<float>(cd, 2), 1.0f);
    EXPECT_FLOAT_EQ(g.primitives()(2)->getValue<float>(cd, 1), 1.0f);
    EXPECT_EQ(g.getDetailValue<int>(g.attribs().getOffset("currentlayer", 4, GB_ATTRIB_INT)), 2);
    const GB_Group *seamed = g.findPointGroup("seamed");
    ASSERT_NE(seamed, nullptr);
    EXPECT_FALSE(seamed->contains(0));
    EXPECT_TRUE(seamed->contains(1));
    EXPECT_TRUE(seamed->contains(2));
    EXPECT_FALSE(seamed->contains(3));
    EXPECT_EQ(g.findPrimitiveGroup("UnwrappedGroup")->entries(), 3);
}

TEST(GeoFile, FaultsNameTheLineAndWhatWasExpected) {
    struct Case {
        const char *text;
        int line;
        const char *expect;
    };
    const Case cases[] = {
        {"PGEOMETRY V5\nNPoints 1 NPrims 0\nNPointGroups 0 NPrimGroups 0\nNPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\n0 0 zero 1\nbeginExtra\nendExtra\n",
         5, "expected a point coordinate"},
        {"PGEOMETRY V5\nNPoints 1 NPrims 1\nNPointGroups 0 NPrimGroups 0\nNPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\n0 0 0 1\nPoly 3 < 0 1 2\nbeginExtra\nendExtra\n",
         6, "point number below 1"},
        {"PGEOMETRY V5\nNPoints 999999999 NPrims 0\n", 2, "more than the rest of the file"},
        {"PGEOMETRY V5\nNPoints 0 NPrims 0\nNPointGroups 0 NPrimGroups 0\nNPointAttrib 1 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\nPointAttrib\nx 1 matrix 0\n",
         6, "attribute type"},
        {"PGEOMETRY V5\nNPoints 1 NPrims 0\nNPointGroups 0 NPrimGroups 0\nNPointAttrib 0 NVertexAttrib 0 NPrimAttrib 0 "
         "NAttrib 0\n0 0 0 1\n",
         5, "expected 'beginExtra', found the end of the file"},
    };
    for (const Case &c : cases) {
        GU_Detail g;
        try {
            readGeo(c.text, "bad.geo", g);
            ADD_FAILURE() << "no error for:\n" << c.text;
        } catch (const GeoFileError &e) {
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find("bad.geo:" + std::to_string(c.line) + ":"), std::string::npos)
                << e.what();
            EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
        }
    }
}

TEST(GeoFile, WritingThroughTheFileLayerReplacesTheFileWhole) {
    TempDir dir;
    GU_Detail a, b;
    makeRich(a);
    std::vector<std::string> notes;
    writeGeometryFile(dir.file("x.GEO"), a, notes);
    readGeometryFile(dir.file("x.GEO"), b, notes);
    EXPECT_EQ(b.primitives().entries(), 4);
    // No temporary file is left behind.
    EXPECT_EQ(std::system(("test $(ls -A '" + dir.path() + "' | wc -l) -eq 1").c_str()), 0);
}

}  // namespace
