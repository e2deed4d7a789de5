#include <gtest/gtest.h>
#include <map>
#include <set>
#include <utility>
#include <vector>
#include "GQ/GQ_Detail.h"
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

int ptOf(const GQ_Point *p) { return p ? p->getPoint()->getNum() : -1; }
int primOf(const GQ_Face *f) { return f && f->getPrim() ? f->getPrim()->getNum() : -1; }

/// Whether prim has a vertex on a followed by one on b (closing edge too).
bool runsFromTo(const GEO_Primitive &prim, int a, int b) {
    const std::vector<int> p = pointsOf(prim);
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] == a && p[(i + 1) % p.size()] == b) return true;
    return false;
}

/// The quad-edge algebra every edge of every record must satisfy.
void expectQuadAlgebra(GQ_Edge *e) {
    for (int q = 0; q < 4; ++q) {
        GQ_Edge *x = e->quadEdge(q);
        EXPECT_EQ(x->quadPosition(), q);
        EXPECT_EQ(x->sym()->sym(), x);
        EXPECT_EQ(x->rot()->rot(), x->sym());
        EXPECT_EQ(x->rot()->invRot(), x);
        EXPECT_EQ(x->invRot(), x->rot()->rot()->rot());
        EXPECT_EQ(x->quadEdge(q + 4), x);
        EXPECT_EQ(x->isPrimal(), q % 2 == 0);
    }
    // Primal edges have points, dual edges faces.
    EXPECT_NE(e->org(), nullptr);
    EXPECT_EQ(e->orgFace(), nullptr);
    EXPECT_EQ(e->rot()->org(), nullptr);
    EXPECT_NE(e->rot()->orgFace(), nullptr);
    EXPECT_EQ(e->dest(), e->sym()->org());
    EXPECT_EQ(e->leftFace(), e->invRot()->orgFace());
    EXPECT_EQ(e->sym()->leftFace(), e->rot()->orgFace());
    EXPECT_EQ(e->rightFace(), e->sym()->leftFace());
}

}  // namespace

TEST(GQ_Detail, TwoQuadStripRecordsInWalkOrder) {
    GU_Detail gdp;
    makeGrid(gdp, 2, 1, 2, 1);  // quad 0 on 0 1 4 3, quad 1 on 1 2 5 4
    GQ_Detail view(&gdp);
    const std::vector<GQ_Edge *> &edges = view.getEdgeList();
    const std::vector<std::pair<int, int>> expected{{0, 1}, {1, 4}, {4, 3}, {3, 0}, {1, 2}, {2, 5}, {5, 4}};
    ASSERT_EQ(edges.size(), expected.size());
    for (size_t k = 0; k < edges.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "record " << k);
        GQ_Edge *e = edges[k];
        EXPECT_EQ(e->quadPosition(), 0);
        EXPECT_EQ(ptOf(e->org()), expected[k].first);
        EXPECT_EQ(ptOf(e->dest()), expected[k].second);
        EXPECT_EQ(primOf(e->leftFace()), k < 4 ? 0 : 1);
        // Only 1-4 lies between the quads; the rest have the outside on
        // their right, which is a face without a primitive.
        ASSERT_NE(e->rightFace(), nullptr);
        EXPECT_EQ(primOf(e->rightFace()), k == 1 ? 1 : -1);
        expectQuadAlgebra(e);
    }
    EXPECT_EQ(view.findEdge(1, 4), edges[1]);
    EXPECT_EQ(view.findEdge(4, 1), edges[1]->sym());
    EXPECT_EQ(view.findEdge(0, 4), nullptr);  // a diagonal is no edge
    EXPECT_EQ(view.findEdge(0, 0), nullptr);
    EXPECT_EQ(view.findEdge(0, 99), nullptr);
}

TEST(GQ_Detail, ClosedBoxHasAFaceOnEachSideOfEveryEdge) {
    GU_Detail gdp;
    makeBox(gdp, 2);
    GQ_Detail view(&gdp);
    EXPECT_EQ(view.getEdgeList().size(), edgeUse(gdp).size());
    // Euler: V - E + F = 2 for a closed sphere-like surface.
    EXPECT_EQ(gdp.points().entries() - static_cast<int>(view.getEdgeList().size()) + gdp.primitives().entries(), 2);
    std::set<std::pair<int, int>> seen;
    for (GQ_Edge *e : view.getEdgeList()) {
        const int a = ptOf(e->org()), b = ptOf(e->dest());
        EXPECT_TRUE(seen.insert({std::min(a, b), std::max(a, b)}).second) << "edge twice";
        const GEO_Primitive *left = e->leftFace()->getPrim();
        const GEO_Primitive *right = e->rightFace()->getPrim();
        ASSERT_NE(left, nullptr);
        ASSERT_NE(right, nullptr);
        EXPECT_NE(left, right);
        // The left face runs along the edge, the right one against it.
        EXPECT_TRUE(runsFromTo(*left, a, b));
        EXPECT_TRUE(runsFromTo(*right, b, a));
        EXPECT_EQ(view.findEdge(a, b), e);
        EXPECT_EQ(view.findEdge(b, a), e->sym());
        expectQuadAlgebra(e);
    }
}

TEST(GQ_Detail, RecordOrderFollowsAWalkOfTheGroup) {
    GU_Detail gdp;
    makeTube(gdp, 5, 3, 1, 3);
    GB_PrimitiveGroup group("some", true);
    for (int p : {13, 2, 3, 7, 8, 9}) group.add(p);
    // The order a walk of the group's polygons first meets each edge.
    std::vector<std::pair<int, int>> walk;
    std::set<std::pair<int, int>> met;
    for (int p = 0; p < gdp.primitives().entries(); ++p) {
        if (!group.contains(p)) continue;
        const std::vector<int> v = pointsOf(*gdp.primitives()(p));
        for (size_t i = 0; i < v.size(); ++i) {
            const int a = v[i], b = v[(i + 1) % v.size()];
            if (met.insert({std::min(a, b), std::max(a, b)}).second) walk.push_back({a, b});
        }
    }
    auto view = std::make_unique<GQ_Detail>(&gdp, &group);
    group.clear();  // the view keeps its own copy of the membership
    const std::vector<GQ_Edge *> &edges = view->getEdgeList();
    ASSERT_EQ(edges.size(), walk.size());
    for (size_t k = 0; k < edges.size(); ++k) {
        EXPECT_EQ(ptOf(edges[k]->org()), walk[k].first) << "record " << k;
        EXPECT_EQ(ptOf(edges[k]->dest()), walk[k].second) << "record " << k;
        for (const GQ_Face *f : {edges[k]->leftFace(), edges[k]->rightFace()})
            if (f->getPrim()) {
                EXPECT_TRUE(std::set<int>({13, 2, 3, 7, 8, 9}).count(f->getPrim()->getNum()));
            }
    }
}

TEST(GQ_Detail, OpenPolygonsRepeatedPointsAndOtherPrimitives) {
    GU_Detail gdp;
    for (int i = 0; i < 4; ++i) gdp.appendPoint(UT_Vector4(float(i), float(i * i), 0));
    addPoly(gdp, {0, 1, 2}, false);  // no closing edge 2-0
    addPoly(gdp, {1, 1, 3});         // 1-1 is no edge
    const int pts[2] = {0, 2};
    gdp.appendOther("NURBCurve", pts, 2);
    GQ_Detail view(&gdp);
    std::set<std::pair<int, int>> got;
    for (GQ_Edge *e : view.getEdgeList()) got.insert({ptOf(e->org()), ptOf(e->dest())});
    EXPECT_EQ(got, (std::set<std::pair<int, int>>{{0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(view.findEdge(0, 2), nullptr);
    EXPECT_EQ(primOf(view.findEdge(1, 3)->leftFace()), 1);
    EXPECT_EQ(primOf(view.findEdge(3, 1)->leftFace()), 1);  // 3-1 closes polygon 1 too
    EXPECT_EQ(primOf(view.findEdge(0, 1)->rightFace()), -1);

    GU_Detail none;
    GQ_Detail nothing(&none);
    EXPECT_TRUE(nothing.getEdgeList().empty());
    EXPECT_FLOAT_EQ(GQ_Detail(&gdp, nullptr, 0.25f).getTolerance(), 0.25f);
}
