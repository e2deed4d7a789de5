#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>
#include "GEO/GEO_PointClassifier.h"
#include "GEO/GEO_PrimClassifier.h"
#include "GQ/GQ_Detail.h"
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

namespace {

/// What a cut must not change, taken before it.
struct Snapshot {
    int points = 0;
    std::vector<std::vector<int>> prims;  // point numbers, by primitive
};

Snapshot take(const GU_Detail &gdp) {
    Snapshot s;
    s.points = gdp.points().entries();
    for (const auto &p : gdp.primitives()) s.prims.push_back(pointsOf(*p));
    return s;
}

/// Checks what every cut keeps: primitive numbers, vertex counts and order
/// (each vertex on its old point or on a new copy of it at the same place),
/// and that the lowest-numbered polygon on a point keeps it. Returns, for
/// each old point, the points its vertices sit on now.
std::map<int, std::set<int>> expectCutKeeps(const GU_Detail &gdp, const Snapshot &before) {
    std::map<int, std::set<int>> now;
    std::map<int, int> origin;  // new point -> the old point it copies
    EXPECT_EQ(gdp.primitives().entries(), static_cast<int>(before.prims.size()));
    for (size_t p = 0; p < before.prims.size(); ++p) {
        const std::vector<int> pts = pointsOf(*gdp.primitives()(static_cast<int>(p)));
        EXPECT_EQ(pts.size(), before.prims[p].size());
        if (pts.size() != before.prims[p].size()) continue;
        for (size_t v = 0; v < pts.size(); ++v) {
            const int was = before.prims[p][v], is = pts[v];
            now[was].insert(is);
            if (is == was) continue;
            EXPECT_GE(is, before.points) << "moved onto another old point";
            auto [it, added] = origin.emplace(is, was);
            EXPECT_EQ(it->second, was) << "one new point stands in for two old ones";
            EXPECT_TRUE(gdp.points()(is)->getPos() == gdp.points()(was)->getPos());
        }
    }
    for (int n = before.points; n < gdp.points().entries(); ++n)
        EXPECT_TRUE(origin.count(n)) << "unused new point " << n;
    for (const auto &[was, set] : now) {
        if (set.size() < 2) continue;
        for (size_t p = 0; p < before.prims.size(); ++p) {
            const std::vector<int> &old = before.prims[p];
            if (std::find(old.begin(), old.end(), was) == old.end()) continue;
            const std::vector<int> pts = pointsOf(*gdp.primitives()(static_cast<int>(p)));
            EXPECT_TRUE(std::find(pts.begin(), pts.end(), was) != pts.end())
                << "lowest polygon " << p << " lost point " << was;
            break;
        }
    }
    return now;
}

/// Old points that now stand on more than one point, with how many.
std::map<int, int> splitCounts(const std::map<int, std::set<int>> &now) {
    std::map<int, int> out;
    for (const auto &[was, set] : now)
        if (set.size() > 1) out[was] = static_cast<int>(set.size());
    return out;
}

int viewBoundaryCount(const GQ_Detail &view) {
    int n = 0;
    for (GQ_Edge *e : view.getEdgeList()) n += e->rightFace()->getPrim() == nullptr;
    return n;
}

void classify(GU_Detail &gdp, GEO_PrimClassifier &prims) {
    GEO_PointClassifier points;
    points.classifyPoints(gdp);
    prims.classifyBySharedPoints(gdp, points);
}

}  // namespace

TEST(GQ_Cusp, OpenCutSplitsOnlyThePointsInsideIt) {
    GU_Detail gdp;
    const int around = 8, along = 4;
    makeTube(gdp, around, along, 1, along);
    GB_EdgeGroup cut("cut", true);
    addChain(gdp, cut, {tubePoint(around, 0, 1), tubePoint(around, 0, 2), tubePoint(around, 0, 3)});
    const Snapshot before = take(gdp);
    const int boundary = boundaryEdgeCount(gdp);
    GQ_Detail view(&gdp);
    EXPECT_EQ(view.cusp(cut, true), 1);

    const auto now = expectCutKeeps(gdp, before);
    EXPECT_EQ(splitCounts(now), (std::map<int, int>{{tubePoint(around, 0, 2), 2}}));
    // The two sides of the cut no longer share the inner point, while each
    // side still holds together.
    auto at = [&](int i, int j, int v) { return gdp.primitives()(j * around + i)->getVertex(v).getPt(); };
    EXPECT_NE(at(7, 1, 2), at(0, 1, 3));
    EXPECT_EQ(at(7, 1, 2), at(7, 2, 1));
    EXPECT_EQ(at(0, 1, 3), at(0, 2, 0));
    EXPECT_EQ(boundaryEdgeCount(gdp), boundary + 2 * 2);
    // The view shows the cut geometry.
    EXPECT_EQ(viewBoundaryCount(view), boundaryEdgeCount(gdp));
    EXPECT_EQ(view.getEdgeList().size(), edgeUse(gdp).size());
    GEO_PrimClassifier cls;
    classify(gdp, cls);
    EXPECT_EQ(cls.getNumClass(), 1);
}

TEST(GQ_Cusp, CutFromBoundaryToBoundarySplitsEveryPointOnIt) {
    GU_Detail gdp;
    const int around = 8, along = 4;
    makeTube(gdp, around, along, 1, along);
    GB_EdgeGroup cut("cut", true);
    std::vector<int> line;
    for (int j = 0; j <= along; ++j) line.push_back(tubePoint(around, 0, j));
    addChain(gdp, cut, line);
    const Snapshot before = take(gdp);
    GQ_Detail view(&gdp);
    const size_t records = view.getEdgeList().size();
    EXPECT_EQ(view.cusp(cut, true), along + 1);

    std::map<int, int> expected;
    for (int p : line) expected[p] = 2;
    EXPECT_EQ(splitCounts(expectCutKeeps(gdp, before)), expected);
    // The tube is now one sheet, its outline both rims and both cut sides.
    EXPECT_EQ(view.getEdgeList().size(), records + along);
    EXPECT_EQ(viewBoundaryCount(view), 2 * around + 2 * along);
    EXPECT_EQ(boundaryEdgeCount(gdp), 2 * around + 2 * along);
    GEO_PrimClassifier cls;
    classify(gdp, cls);
    EXPECT_EQ(cls.getNumClass(), 1);
    // The rebuilt view cuts no further along the same, now open, edges.
    EXPECT_EQ(view.cusp(cut, true), 0);
}

TEST(GQ_Cusp, ClosedLoopsSeparateThePieces) {
    {
        SCOPED_TRACE("ring around a tube");
        GU_Detail gdp;
        const int around = 8, along = 4;
        makeTube(gdp, around, along, 1, along);
        GB_EdgeGroup cut("cut", true);
        std::vector<int> ring;
        for (int i = 0; i <= around; ++i) ring.push_back(tubePoint(around, i, 2));
        addChain(gdp, cut, ring);
        const Snapshot before = take(gdp);
        GQ_Detail view(&gdp);
        EXPECT_EQ(view.cusp(cut, true), around);
        EXPECT_EQ(splitCounts(expectCutKeeps(gdp, before)).size(), static_cast<size_t>(around));
        GEO_PrimClassifier cls;
        classify(gdp, cls);
        ASSERT_EQ(cls.getNumClass(), 2);
        for (int p = 0; p < gdp.primitives().entries(); ++p) EXPECT_EQ(cls.getClass(p), p / around < 2 ? 0 : 1) << p;
    }
    {
        SCOPED_TRACE("outline of one side of a box");
        GU_Detail gdp;
        const int n = 3;
        Box box = makeBox(gdp, n);
        GB_EdgeGroup cut("cut", true);
        std::vector<int> loop;
        for (int k = 0; k < n; ++k) loop.push_back(box.at[{k, 0, 0}]);
        for (int k = 0; k < n; ++k) loop.push_back(box.at[{n, k, 0}]);
        for (int k = n; k > 0; --k) loop.push_back(box.at[{k, n, 0}]);
        for (int k = n; k >= 0; --k) loop.push_back(box.at[{0, k, 0}]);
        addChain(gdp, cut, loop);
        const Snapshot before = take(gdp);
        GQ_Detail view(&gdp);
        EXPECT_EQ(view.cusp(cut, true), 4 * n);
        const std::map<int, int> split = splitCounts(expectCutKeeps(gdp, before));
        EXPECT_EQ(split.size(), static_cast<size_t>(4 * n));
        for (const auto &[p, count] : split) EXPECT_EQ(count, 2) << p;
        GEO_PrimClassifier cls;
        classify(gdp, cls);
        ASSERT_EQ(cls.getNumClass(), 2);
        for (int p = 0; p < gdp.primitives().entries(); ++p) EXPECT_EQ(cls.getClass(p), p < n * n ? 0 : 1) << p;
        EXPECT_EQ(viewBoundaryCount(view), 2 * 4 * n);
    }
}

TEST(GQ_Cusp, NewPointsCopyAttributesAndGroups) {
    GU_Detail gdp;
    makeGrid(gdp, 4, 4, 4, 4);
    const int seam = gdp.addPointAttrib("seam", 4, GB_ATTRIB_FLOAT, nullptr);
    const int uv = gdp.addVertexAttrib("uv", 4, GB_ATTRIB_FLOAT, nullptr);
    GB_PointGroup *odd = gdp.newPointGroup("odd");
    GB_PointGroup *low = gdp.newPointGroup("low");
    for (const auto &p : gdp.points()) {
        p->setValue<float>(seam, 0.5f + float(p->getNum()));
        if (p->getNum() % 2) odd->add(p.get());
        if (p->getNum() < 12) low->add(p.get());
    }
    for (const auto &prim : gdp.primitives())
        for (unsigned v = 0; v < 4; ++v) prim->getVertex(v).setValue<float>(uv, float(prim->getNum() * 10 + v));
    GB_EdgeGroup cut("cut", true);
    // A vertical line from the bottom edge to the middle, then across.
    addChain(gdp, cut, {gridPoint(4, 2, 0), gridPoint(4, 2, 1), gridPoint(4, 2, 2), gridPoint(4, 3, 2)});
    const Snapshot before = take(gdp);
    GQ_Detail view(&gdp);
    const int added = view.cusp(cut, true);
    EXPECT_EQ(added, 3);  // the bottom end, and the two inner points
    const auto split = splitCounts(expectCutKeeps(gdp, before));
    EXPECT_EQ(split, (std::map<int, int>{{gridPoint(4, 2, 0), 2}, {gridPoint(4, 2, 1), 2}, {gridPoint(4, 2, 2), 2}}));
    std::map<int, int> origin;
    for (size_t p = 0; p < before.prims.size(); ++p)
        for (size_t v = 0; v < 4; ++v) origin[pointsOf(*gdp.primitives()(static_cast<int>(p)))[v]] = before.prims[p][v];
    for (int n = before.points; n < gdp.points().entries(); ++n) {
        const GEO_Point *made = gdp.points()(n), *was = gdp.points()(origin.at(n));
        EXPECT_EQ(made->getValue<float>(seam), was->getValue<float>(seam));
        EXPECT_EQ(odd->contains(made), odd->contains(was));
        EXPECT_EQ(low->contains(made), low->contains(was));
    }
    // Vertices move but keep their own values.
    for (const auto &prim : gdp.primitives())
        for (unsigned v = 0; v < 4; ++v)
            EXPECT_EQ(prim->getVertex(v).getValue<float>(uv), float(prim->getNum() * 10 + v));
}

TEST(GQ_Cusp, EntriesWithoutAnEdgeAndCutsAlongTheOutlineChangeNothing) {
    GU_Detail gdp, other;
    makeGrid(gdp, 3, 3, 3, 3);
    makeGrid(other, 9, 9, 9, 9);
    GB_EdgeGroup cut("cut", true);
    cut.add(gdp.points()(0), gdp.points()(5));        // a diagonal
    cut.add(gdp.points()(0), gdp.points()(1));        // on the outline
    cut.add(gdp.points()(1), gdp.points()(2));        // on the outline
    cut.add(other.points()(50), other.points()(51));  // numbers this detail lacks
    const Snapshot before = take(gdp);
    GQ_Detail view(&gdp);
    EXPECT_EQ(view.cusp(cut, true), 0);
    EXPECT_TRUE(splitCounts(expectCutKeeps(gdp, before)).empty());
    EXPECT_EQ(view.cusp(GB_EdgeGroup("empty", true), true), 0);
}

TEST(GQ_Cusp, FansTouchingOnlyAtTheCutPointSeparate) {
    // Two quads meeting corner to corner at point 2.
    auto bowtie = [](GU_Detail &gdp) {
        for (UT_Vector4 p : {UT_Vector4(0, 0, 0), UT_Vector4(1, 0, 0), UT_Vector4(1, 1, 0), UT_Vector4(0, 1, 0),
                             UT_Vector4(2, 1, 0), UT_Vector4(2, 2, 0), UT_Vector4(1, 2, 0)})
            gdp.appendPoint(p);
        addPoly(gdp, {0, 1, 2, 3});
        addPoly(gdp, {2, 4, 5, 6});
    };
    {
        GU_Detail gdp;
        bowtie(gdp);
        GB_EdgeGroup cut("cut", true);
        cut.add(gdp.points()(1), gdp.points()(2));  // an outline edge of the first quad only
        const Snapshot before = take(gdp);
        GQ_Detail view(&gdp);
        EXPECT_EQ(view.cusp(cut, true), 1);
        EXPECT_EQ(splitCounts(expectCutKeeps(gdp, before)), (std::map<int, int>{{2, 2}}));
        EXPECT_EQ(pointsOf(*gdp.primitives()(0))[2], 2);  // the lower polygon keeps it
    }
    {
        GU_Detail gdp;
        bowtie(gdp);
        GB_EdgeGroup cut("cut", true);
        cut.add(gdp.points()(0), gdp.points()(1));  // not at the shared point
        GQ_Detail view(&gdp);
        EXPECT_EQ(view.cusp(cut, true), 0);
    }
}

TEST(GQ_Cusp, PolygonsOutsideTheViewKeepTheirPoints) {
    GU_Detail gdp;
    makeGrid(gdp, 2, 2, 2, 2);  // bottom row prims 0 1, top row 2 3
    GB_PrimitiveGroup bottom("bottom", true);
    bottom.add(0);
    bottom.add(1);
    GB_EdgeGroup cut("cut", true);
    addChain(gdp, cut, {gridPoint(2, 1, 0), gridPoint(2, 1, 1)});
    const Snapshot before = take(gdp);
    GQ_Detail view(&gdp, &bottom);
    // Within the view the cut runs outline to outline, so both ends split.
    EXPECT_EQ(view.cusp(cut, true), 2);
    expectCutKeeps(gdp, before);
    EXPECT_EQ(pointsOf(*gdp.primitives()(2)), before.prims[2]);
    EXPECT_EQ(pointsOf(*gdp.primitives()(3)), before.prims[3]);
    EXPECT_EQ(pointsOf(*gdp.primitives()(0)), before.prims[0]);
    EXPECT_NE(pointsOf(*gdp.primitives()(1)), before.prims[1]);
    EXPECT_EQ(viewBoundaryCount(view), 8);  // two quads side by side, now apart
}

TEST(GQ_Cusp, LongCutThroughALargeGrid) {
    GU_Detail gdp;
    const int n = 400;
    makeGrid(gdp, n, n, n, n);
    GB_EdgeGroup cut("cut", true);
    std::vector<int> line;
    for (int j = 1; j < n; ++j) line.push_back(gridPoint(n, n / 2, j));
    addChain(gdp, cut, line);
    GQ_Detail view(&gdp);
    const int boundary = viewBoundaryCount(view);
    EXPECT_EQ(view.cusp(cut, true), static_cast<int>(line.size()) - 2);
    EXPECT_EQ(viewBoundaryCount(view), boundary + 2 * (static_cast<int>(line.size()) - 1));
}
