#include <gtest/gtest.h>
#include <set>
#include <vector>
#include "GB/GB_PointRefArray.h"
#include "GEO/GEO_Closure.h"
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

std::vector<int> polysUsing(GEO_Closure &closure, const GU_Detail &gdp, int a, int b, const GB_PointRefArray &refs) {
    UT_IntArray prims;
    prims.append(-7);  // must be cleared
    closure.findPolysUsingEdge(gdp.points()(a), gdp.points()(b), prims, refs);
    return prims.std();
}

}  // namespace

TEST(GEO_Closure, FindsThePolygonsOnAnEdge) {
    GU_Detail gdp;
    makeGrid(gdp, 3, 3, 3, 3);
    GB_PointRefArray refs(gdp);
    GEO_Closure closure(gdp);
    const int c = gridPoint(3, 1, 1), right = gridPoint(3, 2, 1), up = gridPoint(3, 1, 2);
    // Interior edges: both quads, in primitive order, either direction.
    EXPECT_EQ(polysUsing(closure, gdp, c, right, refs), (std::vector<int>{1, 4}));
    EXPECT_EQ(polysUsing(closure, gdp, right, c, refs), (std::vector<int>{1, 4}));
    EXPECT_EQ(polysUsing(closure, gdp, up, c, refs), (std::vector<int>{3, 4}));
    // The closing edge (last vertex back to the first) counts.
    EXPECT_EQ(polysUsing(closure, gdp, gridPoint(3, 0, 1), gridPoint(3, 0, 0), refs), (std::vector<int>{0}));
    // Outline edges: one quad. Diagonals and far pairs: none.
    EXPECT_EQ(polysUsing(closure, gdp, 0, 1, refs), (std::vector<int>{0}));
    EXPECT_TRUE(polysUsing(closure, gdp, 0, c, refs).empty());
    EXPECT_TRUE(polysUsing(closure, gdp, 0, 15, refs).empty());
    UT_IntArray prims;
    prims.append(3);
    closure.findPolysUsingEdge(nullptr, gdp.points()(0), prims, refs);
    EXPECT_EQ(prims.entries(), 0);
}

TEST(GEO_Closure, EdgeSearchHonoursOpenPolygonsRepeatsTypesAndGroups) {
    GU_Detail gdp;
    for (int i = 0; i < 5; ++i) gdp.appendPoint(UT_Vector4(float(i), 0, 0));
    const int open = addPoly(gdp, {0, 1, 2}, false)->getNum();
    const int twice = addPoly(gdp, {0, 1, 3, 1})->getNum();  // uses 0-1 and 1-3 twice each
    const int pts[2] = {2, 0};
    gdp.appendOther("NURBCurve", pts, 2);  // not a polygon
    const int later = addPoly(gdp, {4, 2, 0})->getNum();
    GEO_Closure closure(gdp);
    {
        GB_PointRefArray refs(gdp);
        EXPECT_EQ(polysUsing(closure, gdp, 1, 0, refs), (std::vector<int>{open, twice}));
        EXPECT_EQ(polysUsing(closure, gdp, 3, 1, refs), (std::vector<int>{twice}));
        // An open polygon has no closing edge 2-0.
        EXPECT_EQ(polysUsing(closure, gdp, 2, 0, refs), (std::vector<int>{later}));
        EXPECT_EQ(polysUsing(closure, gdp, 0, 2, refs), (std::vector<int>{later}));
    }
    {
        GB_PrimitiveGroup group("g", true);
        group.add(twice);
        group.add(later);
        GB_PointRefArray refs(gdp, &group);
        EXPECT_EQ(polysUsing(closure, gdp, 0, 1, refs), (std::vector<int>{twice}));
        EXPECT_TRUE(polysUsing(closure, gdp, 1, 2, refs).empty());
    }
}

TEST(GEO_Closure, PointRefsListEveryUseInPrimitiveOrder) {
    GU_Detail gdp;
    makeTube(gdp, 4, 3, 1, 3);
    addPoly(gdp, {0, 5, 0});  // uses point 0 twice
    GB_PointRefArray refs(gdp);
    ASSERT_EQ(refs.entries(), gdp.points().entries());
    size_t total = 0;
    for (int p = 0; p < refs.entries(); ++p) {
        int last_prim = -1, last_vtx = -1;
        for (const GB_PointRef &r : refs(p)) {
            ASSERT_NE(r.prim, nullptr);
            EXPECT_EQ(r.prim->getVertex(static_cast<unsigned>(r.vtx)).getPt()->getNum(), p);
            const int num = r.prim->getNum();
            EXPECT_TRUE(num > last_prim || (num == last_prim && r.vtx > last_vtx)) << "out of order at point " << p;
            last_prim = num;
            last_vtx = r.vtx;
            ++total;
        }
    }
    size_t vertices = 0;
    for (const auto &prim : gdp.primitives()) vertices += prim->getVertexCount();
    EXPECT_EQ(total, vertices);
    EXPECT_EQ(refs(0).size(), 2u + 2u);  // two tube quads, twice in the last polygon
    EXPECT_TRUE(refs(-1).empty());
    EXPECT_TRUE(refs(refs.entries()).empty());
}

TEST(GEO_Closure, PointClosureHoldsThePointsOfTheGroup) {
    GU_Detail gdp;
    makeGrid(gdp, 5, 4, 5, 4);
    gdp.appendPoint();  // used by nothing
    GB_PrimitiveGroup group("g", true);
    for (int p : {0, 7, 8, 19}) group.add(p);
    const int groups_before = gdp.pointGroups().entries();
    GEO_Closure closure(gdp);
    GB_PointGroup *pts = closure.getPointClosure(group);
    ASSERT_NE(pts, nullptr);
    std::set<int> expected;
    for (int p : {0, 7, 8, 19})
        for (int q : pointsOf(*gdp.primitives()(p))) expected.insert(q);
    std::set<int> got;
    int last = -1;
    for (GEO_Point *p = gdp.points().rawHead(pts); p; p = gdp.points().rawNext(p, pts)) {
        EXPECT_GT(p->getNum(), last);
        last = p->getNum();
        got.insert(p->getNum());
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(pts->entries(), static_cast<int>(expected.size()));
    // Each call gives a group of its own, not one of the detail's.
    GB_PointGroup *none = closure.getPointClosure(GB_PrimitiveGroup("empty", true));
    EXPECT_NE(none, pts);
    EXPECT_TRUE(none->isEmpty());
    EXPECT_EQ(pts->entries(), static_cast<int>(expected.size()));
    EXPECT_EQ(gdp.pointGroups().entries(), groups_before);
}
