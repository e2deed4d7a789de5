#include <gtest/gtest.h>
#include <vector>
#include "GU/GU_Detail.h"

namespace {

/// A strip of n triangles on n + 2 points, point k at x = k, with a vertex
/// attribute "id" holding 3 * prim + corner.
void makeStrip(GU_Detail &g, int n) {
    const int id = g.addVertexAttrib("id", 4, GB_ATTRIB_INT, nullptr);
    for (int k = 0; k < n + 2; ++k) g.appendPoint(UT_Vector4(float(k), 0, 0, 1));
    for (int t = 0; t < n; ++t) {
        const int pts[3] = {t, t + 1, t + 2};
        GEO_PrimPoly *p = g.appendPoly(pts, 3);
        for (int c = 0; c < 3; ++c) p->getVertex(c).setValue<int>(id, 3 * t + c);
    }
}

/// Whether primitive t of g still reads as makeStrip made it.
bool stripPrimIntact(const GU_Detail &g, int t) {
    const int id = g.vertexAttribs().getOffset("id", 4, GB_ATTRIB_INT);
    const GEO_Primitive *p = g.primitives()(t);
    if (!p || p->getNum() != t || p->getVertexCount() != 3) return false;
    for (int c = 0; c < 3; ++c)
        if (p->getVertex(c).getPt() != g.points()(t + c) || p->getVertex(c).getValue<int>(id) != 3 * t + c)
            return false;
    return true;
}

// Sizes on both sides of the storage's chunk boundaries (64 elements in the
// first chunk, doubling).
class GeoStorage : public ::testing::TestWithParam<int> {};

TEST_P(GeoStorage, ElementsKeepTheirAddressesAndValuesAcrossAppendsMergesAndWalks) {
    const int n = GetParam();
    GU_Detail g;
    makeStrip(g, n);
    const GEO_Point *first_pt = g.points()(0);
    const GEO_Primitive *first_prim = g.primitives()(0);
    const GEO_Vertex *first_vtx = &g.primitives()(0)->getVertex(0);

    // Growing the detail (past several chunks) moves nothing already made.
    GU_Detail more;
    makeStrip(more, 3 * n + 70);
    g.merge(more);
    EXPECT_EQ(g.points()(0), first_pt);
    EXPECT_EQ(g.primitives()(0), first_prim);
    EXPECT_EQ(&g.primitives()(0)->getVertex(0), first_vtx);
    ASSERT_EQ(g.primitives().entries(), n + 3 * n + 70);
    EXPECT_TRUE(stripPrimIntact(g, 0));
    EXPECT_TRUE(stripPrimIntact(g, n - 1));
    // The merged primitives sit on the merged points, shifted by n + 2.
    const GEO_Primitive *merged = g.primitives()(n);
    EXPECT_EQ(merged->getVertex(2).getPt(), g.points()(n + 4));

    // Appending to an old primitive moves its vertices only, keeping their
    // points and values; cutting it back to a triangle keeps the chosen ones.
    GEO_Primitive &old = *g.primitives()(0);
    g.appendVertex(old, g.points()(5));
    ASSERT_EQ(old.getVertexCount(), 4u);
    EXPECT_EQ(old.getVertex(3).getPt(), g.points()(5));
    EXPECT_EQ(merged->getVertex(2).getPt(), g.points()(n + 4));
    const int keep[3] = {0, 1, 2};
    g.keepVertices(old, keep, 3);
    EXPECT_TRUE(stripPrimIntact(g, 0));

    // A group walk visits the members in number order, across chunks.
    GB_PrimitiveGroup *odd = g.newPrimitiveGroup("odd");
    for (int i = 1; i < g.primitives().entries(); i += 2) odd->add(i);
    int expect = 1, seen = 0;
    const GEO_PrimList &prims = g.primitives();
    for (GEO_Primitive *p = prims.rawHead(odd); p; p = prims.rawNext(p, odd), expect += 2, ++seen)
        EXPECT_EQ(p->getNum(), expect);
    EXPECT_EQ(seen, odd->entries());
}

INSTANTIATE_TEST_SUITE_P(Sizes, GeoStorage, ::testing::Values(1, 63, 64, 65, 5000));

}  // namespace
