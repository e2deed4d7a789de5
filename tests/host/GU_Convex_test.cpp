#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>
#include "GU/GU_Detail.h"
#include "UT/UT_Vector3.h"
#include "test_meshes.h"

using namespace test_meshes;

namespace {

struct P2 {
    double x, y;
};

double cross2(const P2 &a, const P2 &b, const P2 &c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); }

double signedArea(const std::vector<P2> &p) {
    double s = 0;
    for (size_t i = 0; i < p.size(); ++i) s += p[i].x * p[(i + 1) % p.size()].y - p[(i + 1) % p.size()].x * p[i].y;
    return 0.5 * s;
}

/// Even-odd rule.
bool insidePolygon(const P2 &q, const std::vector<P2> &p) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if ((p[i].y > q.y) != (p[j].y > q.y) &&
            q.x < (p[j].x - p[i].x) * (q.y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            in = !in;
    return in;
}

bool strictlyInside(const P2 &q, const P2 &a, const P2 &b, const P2 &c) {
    const double d1 = cross2(a, b, q), d2 = cross2(b, c, q), d3 = cross2(c, a, q);
    return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

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

/// The primitives that came from splitting prim: prim itself, then those
/// appended after first_new.
std::vector<const GEO_Primitive *> pieces(const GU_Detail &gdp, int prim, int first_new, int last_new) {
    std::vector<const GEO_Primitive *> out{gdp.primitives()(prim)};
    for (int i = first_new; i < last_new; ++i) out.push_back(gdp.primitives()(i));
    return out;
}

/// Checks that tris are a triangulation of the simple polygon poly: n - 2
/// closed triangles on the polygon's own vertices, each in the polygon's
/// cyclic order (so its winding), every vertex used, and, sampled on a
/// fine lattice, every inside point covered once and no outside point.
void expectTriangulates(const std::vector<const GEO_Primitive *> &tris, const Placed &poly) {
    const int n = static_cast<int>(poly.pts.size());
    ASSERT_EQ(static_cast<int>(tris.size()), n - 2);
    std::map<int, int> index;
    for (int i = 0; i < n; ++i) index[poly.pts[i]] = i;
    std::set<int> used;
    std::vector<std::vector<P2>> flat;
    for (const GEO_Primitive *t : tris) {
        ASSERT_EQ(t->getPrimitiveId(), GEOPRIMPOLY);
        EXPECT_TRUE(static_cast<const GEO_PrimPoly *>(t)->isClosed());
        const std::vector<int> p = pointsOf(*t);
        ASSERT_EQ(p.size(), 3u);
        std::vector<int> k;
        for (int q : p) {
            ASSERT_TRUE(index.count(q)) << "triangle on a point not of the polygon";
            k.push_back(index[q]);
            used.insert(q);
        }
        // Rotated to start at its lowest index, the corners must ascend.
        std::rotate(k.begin(), std::min_element(k.begin(), k.end()), k.end());
        EXPECT_TRUE(k[0] < k[1] && k[1] < k[2]) << "winding not kept: " << k[0] << " " << k[1] << " " << k[2];
        flat.push_back({poly.local[p[0]], poly.local[p[1]], poly.local[p[2]]});
    }
    EXPECT_EQ(static_cast<int>(used.size()), n);

    std::vector<P2> outline;
    for (int q : poly.pts) outline.push_back(poly.local[q]);
    double lox = 1e30, hix = -1e30, loy = 1e30, hiy = -1e30, area = 0;
    for (const P2 &q : outline) lox = std::min(lox, q.x), hix = std::max(hix, q.x), loy = std::min(loy, q.y), hiy = std::max(hiy, q.y);
    for (const auto &t : flat) area += std::fabs(signedArea(t));
    EXPECT_NEAR(area, std::fabs(signedArea(outline)), 1e-4 * (hix - lox) * (hiy - loy));
    const int steps = 97;  // odd offsets keep samples off the lattice edges
    for (int a = 0; a < steps; ++a)
        for (int b = 0; b < steps; ++b) {
            const P2 q{lox + (hix - lox) * (a + 0.377) / steps, loy + (hiy - loy) * (b + 0.613) / steps};
            int covered = 0;
            for (const auto &t : flat) covered += strictlyInside(q, t[0], t[1], t[2]);
            ASSERT_EQ(covered, insidePolygon(q, outline) ? 1 : 0) << "sample " << q.x << ", " << q.y;
        }
}

std::vector<P2> lHexagon() { return {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}; }
std::vector<P2> uOctagon() { return {{0, 0}, {3, 0}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}; }

/// A comb: a bar along the bottom with `teeth` teeth standing up; far from
/// star-shaped, so no fan from any vertex covers it.
std::vector<P2> comb(int teeth) {
    const double w = 2 * teeth - 1;
    std::vector<P2> p{{0, 0}, {w, 0}};
    for (int t = teeth - 1; t >= 0; --t) {
        p.push_back({2.0 * t + 1, 3});
        p.push_back({2.0 * t, 3});
        if (t > 0) {
            p.push_back({2.0 * t, 1});
            p.push_back({2.0 * t - 1, 1});
        }
    }
    return p;
}

/// A star with `spikes` points: many reflex corners.
std::vector<P2> star(int spikes) {
    std::vector<P2> p;
    for (int i = 0; i < 2 * spikes; ++i) {
        const double a = 3.14159265358979 * i / spikes, r = i % 2 ? 0.4 : 1.0;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

void splitAndCheck(const std::vector<P2> &shape, const UT_Vector3 &o, const UT_Vector3 &u, const UT_Vector3 &v) {
    GU_Detail gdp;
    const Placed poly = placePolygon(gdp, shape, o, u, v);
    const int points = gdp.points().entries();
    gdp.convex(3);
    EXPECT_EQ(gdp.points().entries(), points);
    expectTriangulates(pieces(gdp, poly.prim, 1, gdp.primitives().entries()), poly);
}

}  // namespace

TEST(GU_Convex, ConcavePolygonsAreCoveredInEveryStartAndOrientation) {
    const std::vector<std::vector<P2>> shapes{lHexagon(), uOctagon(), comb(4)};
    // Flat in z = 0, and tilted out of every coordinate plane.
    const UT_Vector3 tu = UT_Vector3(0.8f, 0.36f, -0.48f), tv = UT_Vector3(0.0f, 0.8f, 0.6f);
    for (size_t s = 0; s < shapes.size(); ++s)
        for (bool reversed : {false, true})
            for (size_t start = 0; start < shapes[s].size(); ++start)
                for (bool tilted : {false, true}) {
                    std::vector<P2> shape = shapes[s];
                    if (reversed) std::reverse(shape.begin(), shape.end());
                    std::rotate(shape.begin(), shape.begin() + static_cast<long>(start), shape.end());
                    SCOPED_TRACE(testing::Message() << "shape " << s << " reversed " << reversed << " start "
                                                    << start << " tilted " << tilted);
                    if (tilted) splitAndCheck(shape, {1, 2, 3}, tu, tv);
                    else splitAndCheck(shape, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
                }
}

TEST(GU_Convex, ManyReflexCornersAndConvexPolygons) {
    splitAndCheck(star(60), {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    splitAndCheck(comb(25), {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
    // Convex ones, including collinear corners, are fans from vertex 0.
    std::vector<P2> octagon;
    for (int i = 0; i < 8; ++i) octagon.push_back({std::cos(i * 0.785398), std::sin(i * 0.785398)});
    splitAndCheck(octagon, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
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
        const UT_Vector3 a = gdp.points()(p[0])->getPos(), b = gdp.points()(p[1])->getPos(), c = gdp.points()(p[2])->getPos();
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
    for (const P2 &q : std::vector<P2>{{4, 0}, {4, 2}, {3, 2}, {3, 1}}) gdp.appendPoint(UT_Vector4(float(q.x), float(q.y), 0));
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
        for (const GEO_Vertex &v : gdp.primitives()(src)->vertices()) expected[{src, v.getPt()->getNum()}] = v.getValue<float>(uv);

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
    makeGrid(gdp, 2, 1);
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

TEST(GU_Convex, DegeneratePolygonsStillGiveTriangles) {
    const std::vector<std::vector<UT_Vector4>> cases{
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}},                     // collinear
        {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},                                // one place
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},                     // repeated corner
        {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 2, 0}, {1, 3, 0}, {1, 2, 0}, {0, 2, 0}},  // spike
        {{0, 1, 0}, {0.59f, -0.81f, 0}, {-0.95f, 0.31f, 0}, {0.95f, 0.31f, 0}, {-0.59f, -0.81f, 0}},  // pentagram
        {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}},                                // bow tie
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        GU_Detail gdp;
        std::vector<int> pts;
        for (const UT_Vector4 &p : cases[c]) pts.push_back(gdp.appendPoint(p)->getNum());
        addPoly(gdp, pts);
        gdp.convex(3);
        ASSERT_EQ(gdp.primitives().entries(), static_cast<int>(pts.size()) - 2);
        std::set<int> used;
        for (const auto &t : gdp.primitives()) {
            const std::vector<int> p = pointsOf(*t);
            ASSERT_EQ(p.size(), 3u);
            for (int q : p) {
                EXPECT_TRUE(std::find(pts.begin(), pts.end(), q) != pts.end());
                used.insert(q);
            }
        }
        EXPECT_EQ(used.size(), std::set<int>(pts.begin(), pts.end()).size());
    }
}

TEST(GU_Convex, LargeMeshSplitsEveryQuad) {
    GU_Detail gdp;
    const int n = 300;
    makeGrid(gdp, n, n);
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
