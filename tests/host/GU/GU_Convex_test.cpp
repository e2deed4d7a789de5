#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>
#include "GU/GU_Detail.h"
#include "UT/UT_Vector3.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

struct P2 {
    double x, y;
};

/// A flat polygon drawn in 2D and placed in 3D on the plane through origin
/// with in-plane axes u and v; local[ptnum] keeps the 2D drawing.
struct Placed {
    std::vector<P2> local;  // by point number
    std::vector<int> pts;   // the polygon's points, in vertex order
    int prim = -1;
};

Placed placePolygon(GU_Detail &gdp, const std::vector<P2> &shape, const UT_Vector3 &o = {0, 0, 0},
                    const UT_Vector3 &u = {1, 0, 0}, const UT_Vector3 &v = {0, 1, 0}) {
    Placed out;
    out.local.resize(static_cast<size_t>(gdp.points().entries()));
    for (const P2 &q : shape) {
        const UT_Vector3 p = o + u * float(q.x) + v * float(q.y);
        out.pts.push_back(gdp.appendPoint(UT_Vector4(p.x(), p.y(), p.z()))->getNum());
        out.local.push_back(q);
    }
    out.prim = addPoly(gdp, out.pts)->getNum();
    return out;
}

std::vector<P2> lHexagon() { return {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}; }

}  // namespace

// The shapes of the triangles are triangulatePolygon's (its own tests);
// here the polygon is replaced by the first triangle and the rest appended.
TEST(GU_Convex, FanKeepsTheFirstTriangleInPlaceAndSkipsEmptyPolygons) {
    GU_Detail gdp;
    addPoly(gdp, {});  // an empty polygon is left alone
    const Placed square = placePolygon(gdp, {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}});
    gdp.convex(3);
    ASSERT_EQ(gdp.primitives().entries(), 4);
    EXPECT_EQ(pointsOf(*gdp.primitives()(square.prim)), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(pointsOf(*gdp.primitives()(2)), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(pointsOf(*gdp.primitives()(3)), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(gdp.primitives()(0)->getVertexCount(), 0u);
}

TEST(GU_Convex, NonPlanarQuadSplitsAlongADiagonalKeepingItsFacing) {
    GU_Detail gdp;
    for (UT_Vector4 p : {UT_Vector4(0, 0, 0), UT_Vector4(1, 0, 0), UT_Vector4(1, 1, 0.4f), UT_Vector4(0, 1, 0)})
        gdp.appendPoint(p);
    addPoly(gdp, {0, 1, 2, 3});
    gdp.convex(3);
    ASSERT_EQ(gdp.primitives().entries(), 2);
    EXPECT_EQ(gdp.points().entries(), 4);
    std::set<int> corners;
    for (const auto &t : gdp.primitives()) {
        const std::vector<int> p = pointsOf(*t);
        ASSERT_EQ(p.size(), 3u);
        corners.insert(p.begin(), p.end());
        const UT_Vector3 a = gdp.points()(p[0])->getPos(), b = gdp.points()(p[1])->getPos(),
                         c = gdp.points()(p[2])->getPos();
        // The quad faces +z overall; so must each half.
        EXPECT_GT((b - a).cross(c - a).z(), 0.0f);
    }
    EXPECT_EQ(corners.size(), 4u);
    // The two halves share exactly one diagonal.
    const auto use = edgeUse(gdp);
    EXPECT_TRUE(use.count({0, 2}) != use.count({1, 3}));
}

TEST(GU_Convex, TrianglesCarryAttributesGroupsAndCornerValues) {
    GU_Detail gdp;
    const float white[3] = {1, 1, 1};
    const int cd = gdp.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, white);
    const int id = gdp.addPrimAttrib("id", 4, GB_ATTRIB_INT, nullptr);
    const int uv = gdp.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, nullptr);
    // Two L-hexagons sharing an edge, so a shared point has different
    // corner values in each; and a quad that stays outside the groups.
    const Placed a = placePolygon(gdp, lHexagon());
    const int p1 = a.pts[1], p2 = a.pts[2];
    for (const P2 &q : std::vector<P2>{{4, 0}, {4, 2}, {3, 2}, {3, 1}})
        gdp.appendPoint(UT_Vector4(float(q.x), float(q.y), 0));
    const int b = addPoly(gdp, {p1, 6, 7, 8, 9, p2})->getNum();
    const int lone = placePolygon(gdp, {{5, 0}, {6, 0}, {6, 1}, {5, 1}}).prim;
    GB_PrimitiveGroup *both = gdp.newPrimitiveGroup("both");
    GB_PrimitiveGroup *onlyB = gdp.newPrimitiveGroup("onlyB");
    GB_PrimitiveGroup *none = gdp.newPrimitiveGroup("none");
    both->add(a.prim);
    both->add(b);
    onlyB->add(b);
    none->add(lone);
    for (const auto &prim : gdp.primitives()) {
        const int n = prim->getNum();
        for (int c = 0; c < 3; ++c) prim->setValue<float>(cd, 0.25f * float(n + c), c);
        prim->setValue<int>(id, 100 + n);
        for (unsigned v = 0; v < prim->getVertexCount(); ++v)
            for (int c = 0; c < 3; ++c) prim->getVertex(v).setValue<float>(uv, float(n * 100 + v * 10 + c), c);
    }
    // The value each corner should carry: its polygon's vertex on that point.
    std::map<std::pair<int, int>, float> expected;  // (source prim, point) -> uv[0]
    for (int src : {a.prim, b})
        for (const GEO_Vertex &v : gdp.primitives()(src)->vertices())
            expected[{src, v.getPt()->getNum()}] = v.getValue<float>(uv);

    const int points = gdp.points().entries();
    gdp.convex(3, both);
    EXPECT_EQ(gdp.points().entries(), points);
    ASSERT_EQ(gdp.primitives().entries(), 3 + 3 + 3);  // each hexagon adds three

    for (const auto &prim : gdp.primitives()) {
        if (prim->getNum() == lone) continue;
        const int src = prim->getValue<int>(id) - 100;
        ASSERT_TRUE(src == a.prim || src == b) << "prim " << prim->getNum();
        EXPECT_EQ(prim->getVertexCount(), 3u);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(prim->getValue<float>(cd, c), 0.25f * float(src + c));
        EXPECT_TRUE(both->contains(prim.get()));
        EXPECT_EQ(onlyB->contains(prim.get()), src == b);
        EXPECT_FALSE(none->contains(prim.get()));
        for (const GEO_Vertex &v : prim->vertices()) {
            const float want = expected.at({src, v.getPt()->getNum()});
            for (int c = 0; c < 3; ++c) EXPECT_EQ(v.getValue<float>(uv, c), want + float(c));
        }
    }
    // The original primitives keep their numbers and stay in their places.
    EXPECT_EQ(gdp.primitives()(a.prim)->getValue<int>(id), 100 + a.prim);
    EXPECT_EQ(gdp.primitives()(b)->getValue<int>(id), 100 + b);
    EXPECT_EQ(pointsOf(*gdp.primitives()(lone)).size(), 4u);  // outside the group argument
}

TEST(GU_Convex, LeavesOpenSmallAndOtherPrimitivesAlone) {
    GU_Detail gdp;
    makeGrid(gdp, 2, 1, 2, 1);
    const int open = addPoly(gdp, {0, 1, 2, 5, 4}, false)->getNum();
    const int tri = addPoly(gdp, {0, 1, 4})->getNum();
    const int two = addPoly(gdp, {0, 1})->getNum();
    const int pt[1] = {3};
    const int sphere = gdp.appendOther("Sphere", pt, 1)->getNum();
    std::vector<std::vector<int>> before;
    for (const auto &p : gdp.primitives()) before.push_back(pointsOf(*p));
    gdp.convex(3);
    ASSERT_EQ(gdp.primitives().entries(), static_cast<int>(before.size()) + 2);  // the two quads
    for (int p : {open, tri, two, sphere}) EXPECT_EQ(pointsOf(*gdp.primitives()(p)), before[p]);
    EXPECT_FALSE(static_cast<const GEO_PrimPoly *>(gdp.primitives()(open))->isClosed());
    // A second pass has nothing left to split.
    gdp.convex(3);
    EXPECT_EQ(gdp.primitives().entries(), static_cast<int>(before.size()) + 2);
}

TEST(GU_Convex, LargeMeshSplitsEveryQuad) {
    GU_Detail gdp;
    const int n = 300;
    makeGrid(gdp, n, n, n, n);
    GB_PrimitiveGroup *all = gdp.newPrimitiveGroup("all");
    for (int i = 0; i < n * n; ++i) all->add(i);
    gdp.convex(3);
    ASSERT_EQ(gdp.primitives().entries(), 2 * n * n);
    EXPECT_EQ(all->entries(), 2 * n * n);
    double area = 0;
    for (const auto &t : gdp.primitives()) {
        ASSERT_EQ(t->getVertexCount(), 3u);
        area += t->calcArea();
    }
    EXPECT_NEAR(area, double(n) * n, 1e-3);
    // Each quad's halves share its diagonal, so the mesh stays connected
    // edge to edge: interior edges are used twice, the outline once.
    EXPECT_EQ(boundaryEdgeCount(gdp), 4 * n);
}
