// Bookkeeping attributes of the work mesh and the current-layer name.
#include <gtest/gtest.h>
#include <map>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(Bookkeeping, TrianglesNameTheirPolygonAndCorner) {
    Unwrap u;
    GU_Detail work;
    makeGrid(work, 3, 2);
    u.node->addBookkeeping(work);
    work.convex(3, nullptr);
    int prim_off = work.primitiveAttribs().getOffset("primN", 4, GB_ATTRIB_INT);
    int vtx_off = work.vertexAttribs().getOffset("vtxN", 4, GB_ATTRIB_INT);
    ASSERT_GE(prim_off, 0);
    ASSERT_GE(vtx_off, 0);
    ASSERT_EQ(work.primitives().entries(), 12);
    // Quad 5's corners (point numbers) by place in the quad.
    GU_Detail plain;
    makeGrid(plain, 3, 2);
    std::map<int, int> corner_point;
    for (int q = 0; q < 4; ++q) corner_point[q] = plain.primitives()(5)->getVertex(q).getPt()->getNum();
    int triangles = 0;
    for (const auto &p : work.primitives()) {
        ASSERT_EQ(p->getVertexCount(), 3u);
        if (p->getValue<int>(prim_off) != 5) continue;
        ++triangles;
        for (const GEO_Vertex &v : p->vertices())
            EXPECT_EQ(corner_point[v.getValue<int>(vtx_off)], v.getPt()->getNum());
    }
    EXPECT_EQ(triangles, 2);
}

TEST(Bookkeeping, PiecePointsUsedOutOfOrderLandOnTheirOwnPositions) {
    // A triangle on points 7, 3 and 4 of ten, the others unused: a flat
    // piece with default pins is written at its own (x, y), which holds only
    // when every corner reads the solver index its point was given.
    Unwrap u;
    for (int i = 0; i < 10; ++i) u.input.appendPoint(UT_Vector4(float(i % 3) + 0.1f * i, float(i / 3), 0, 1));
    int tri[3] = {7, 3, 4};
    u.input.appendPoly(tri, 3);
    u.node->setInt("userange", 0, 0);
    u.cook();
    for (int q = 0; q < 3; ++q) {
        const UT_Vector4 &P = u.input.points()(tri[q])->getPos();
        EXPECT_NEAR(u.uv(0, q).first, P(0), 1e-5);
        EXPECT_NEAR(u.uv(0, q).second, P(1), 1e-5);
    }
}

TEST(Bookkeeping, CurrentLayerIsAppendedOnlyWhenItIsOneInteger) {
    GU_Detail g;
    UT_String name("uv");
    SOP_Flatskin::appendCurrentLayer(g, name);
    EXPECT_STREQ(name.buffer(), "uv");
    float f = 2;
    g.addAttrib("currentlayer", 4, GB_ATTRIB_FLOAT, &f);
    SOP_Flatskin::appendCurrentLayer(g, name);
    EXPECT_STREQ(name.buffer(), "uv");
    GU_Detail h;
    int one = 1;
    h.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &one);
    SOP_Flatskin::appendCurrentLayer(h, name);
    EXPECT_STREQ(name.buffer(), "uv1");
}
