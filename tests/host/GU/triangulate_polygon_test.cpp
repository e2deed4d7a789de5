// triangulatePolygon on tables of point lists: simple polygons must be
// covered exactly once, degenerate ones still give n - 2 triangles on their
// own corners, and polygons of very many corners finish and keep their area.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <vector>
#include "GU/triangulate_polygon.h"

namespace {

struct P2 {
    double x, y;
};
using Tris = std::vector<std::array<int, 3>>;

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
        if ((p[i].y > q.y) != (p[j].y > q.y) && q.x < (p[j].x - p[i].x) * (q.y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
            in = !in;
    return in;
}

bool strictlyInside(const P2 &q, const P2 &a, const P2 &b, const P2 &c) {
    const double d1 = cross2(a, b, q), d2 = cross2(b, c, q), d3 = cross2(c, a, q);
    return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

/// The 2D drawing placed in 3D: o + x u + y v, rounded to 32-bit floats as
/// the host's positions are.
std::vector<double> place(const std::vector<P2> &shape, const double o[3], const double u[3], const double v[3]) {
    std::vector<double> xyz;
    for (const P2 &q : shape)
        for (int c = 0; c < 3; ++c) xyz.push_back(static_cast<float>(o[c] + q.x * u[c] + q.y * v[c]));
    return xyz;
}

Tris run(const std::vector<double> &xyz) {
    Tris t{{9, 9, 9}};  // must be cleared
    triangulatePolygon(xyz.data(), static_cast<int>(xyz.size() / 3), t);
    return t;
}

/// n - 2 triangles on the polygon's own corners, every corner used, each
/// triangle in the polygon's cyclic order (rotated to start at its lowest
/// index, the corners ascend).
void expectValid(const Tris &tris, int n) {
    ASSERT_EQ(static_cast<int>(tris.size()), n - 2);
    std::set<int> used;
    for (std::array<int, 3> k : tris) {
        for (int q : k) {
            ASSERT_TRUE(q >= 0 && q < n);
            used.insert(q);
        }
        std::rotate(k.begin(), std::min_element(k.begin(), k.end()), k.end());
        EXPECT_TRUE(k[0] < k[1] && k[1] < k[2]) << "winding not kept: " << k[0] << " " << k[1] << " " << k[2];
    }
    EXPECT_EQ(static_cast<int>(used.size()), n);
}

/// expectValid, and, sampled on a fine lattice of the drawing, every inside
/// point covered once and no outside point; the areas add up.
void expectCovers(const Tris &tris, const std::vector<P2> &outline) {
    expectValid(tris, static_cast<int>(outline.size()));
    double lox = 1e30, hix = -1e30, loy = 1e30, hiy = -1e30, area = 0;
    for (const P2 &q : outline)
        lox = std::min(lox, q.x), hix = std::max(hix, q.x), loy = std::min(loy, q.y), hiy = std::max(hiy, q.y);
    for (const auto &t : tris) area += std::fabs(signedArea({outline[t[0]], outline[t[1]], outline[t[2]]}));
    EXPECT_NEAR(area, std::fabs(signedArea(outline)), 1e-4 * (hix - lox) * (hiy - loy));
    const int steps = 97;  // odd offsets keep samples off the lattice edges
    for (int a = 0; a < steps; ++a)
        for (int b = 0; b < steps; ++b) {
            const P2 q{lox + (hix - lox) * (a + 0.377) / steps, loy + (hiy - loy) * (b + 0.613) / steps};
            int covered = 0;
            for (const auto &t : tris) covered += strictlyInside(q, outline[t[0]], outline[t[1]], outline[t[2]]);
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

/// n corners on a circle, every other one pulled in to inner times the
/// radius: concave at every other corner (a circle when inner is 1).
std::vector<P2> star(int n, double inner) {
    std::vector<P2> p;
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n, r = (i % 2) ? inner : 1.0;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

/// A comb of teeth: 4 * teeth + 3 corners, deep notches everywhere,
/// running clockwise.
std::vector<P2> deepComb(int teeth) {
    std::vector<P2> p;
    const double w = 1.0 / teeth;
    for (int i = 0; i < teeth; ++i)
        for (P2 q : {P2{i * w, 0}, P2{i * w, 1}, P2{i * w + 0.5 * w, 1}, P2{i * w + 0.5 * w, 0}}) p.push_back(q);
    for (P2 q : {P2{1, 0}, P2{1, -0.5}, P2{0, -0.5}}) p.push_back(q);
    return p;
}

const double kOrigin[3] = {0, 0, 0}, kX[3] = {1, 0, 0}, kY[3] = {0, 1, 0}, kZ[3] = {0, 0, 1};
const double kTiltO[3] = {1, 2, 3}, kTiltU[3] = {0.8, 0.36, -0.48}, kTiltV[3] = {0, 0.8, 0.6};

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

TEST(TriangulatePolygon, ConcavePolygonsAreCoveredInEveryStartAndOrientation) {
    const std::vector<std::vector<P2>> shapes{lHexagon(), uOctagon(), comb(4)};
    for (size_t s = 0; s < shapes.size(); ++s)
        for (bool reversed : {false, true})
            for (size_t start = 0; start < shapes[s].size(); ++start)
                for (bool tilted : {false, true}) {
                    std::vector<P2> shape = shapes[s];
                    if (reversed) std::reverse(shape.begin(), shape.end());
                    std::rotate(shape.begin(), shape.begin() + static_cast<long>(start), shape.end());
                    SCOPED_TRACE(testing::Message() << "shape " << s << " reversed " << reversed << " start " << start
                                                    << " tilted " << tilted);
                    // Flat in z = 0, and tilted out of every coordinate plane.
                    const auto xyz = tilted ? place(shape, kTiltO, kTiltU, kTiltV) : place(shape, kOrigin, kX, kY);
                    expectCovers(run(xyz), shape);
                }
}

TEST(TriangulatePolygon, SimplePolygonsAreCovered) {
    std::vector<P2> octagon;
    for (int i = 0; i < 8; ++i) octagon.push_back({std::cos(i * 0.785398), std::sin(i * 0.785398)});
    struct Row {
        const char *name;
        std::vector<P2> shape;
        const double *u, *v;
    } rows[] = {
        {"star of 60 spikes", star(120, 0.4), kX, kY},
        {"comb of 25 teeth in x = 0", comb(25), kZ, kX},
        {"convex octagon", octagon, kX, kY},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        expectCovers(run(place(r.shape, kOrigin, r.u, r.v)), r.shape);
    }
}

TEST(TriangulatePolygon, ConvexPolygonsWithCollinearCornersAreFansFromCornerZero) {
    const Tris t = run(place({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, kOrigin, kX, kY));
    EXPECT_EQ(t, (Tris{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
}

TEST(TriangulatePolygon, DegeneratePolygonsStillGiveTriangles) {
    struct Row {
        const char *name;
        std::vector<double> xyz;
    } rows[] = {
        {"collinear", {0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0}},
        {"one place", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {"repeated corner", {0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}},
        {"spike", {0, 0, 0, 2, 0, 0, 2, 2, 0, 1, 2, 0, 1, 3, 0, 1, 2, 0, 0, 2, 0}},
        {"pentagram", {0, 1, 0, 0.59, -0.81, 0, -0.95, 0.31, 0, 0.95, 0.31, 0, -0.59, -0.81, 0}},
        {"bow tie", {0, 0, 0, 2, 2, 0, 2, 0, 0, 0, 2, 0}},
        {"triangle", {0, 0, 0, 1, 0, 0, 0, 1, 0}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        expectValid(run(r.xyz), static_cast<int>(r.xyz.size() / 3));
    }
}

// Very many corners: the result must come (the bound only catches a
// quadratic blow-up) with the polygon's area. In 32-bit positions most
// corners of so fine a circle are straight within rounding, some turning
// the wrong way: it may be clipped rather than fanned, and must be covered
// either way.
TEST(TriangulatePolygon, PolygonsOfVeryManyCornersKeepTheirArea) {
    const int n = 200000;
    struct Row {
        const char *name;
        std::vector<P2> shape;
        double area, tolerance;  // signed
        int maxFlips;            // triangles turning against the outline
    } rows[] = {
        {"star of 200k corners", star(n, 0.9), n * 0.5 * 0.9 * std::sin(2 * M_PI / n),
         1e-3 * n * 0.5 * 0.9 * std::sin(2 * M_PI / n), 0},
        {"circle of 200k corners", star(n, 1.0), M_PI, 1e-3, 99},
        // The base under the teeth ends up as a long straight run that only
        // its two end corners can be cut from; 5,000 teeth keep that short.
        {"comb of 5000 deep teeth", deepComb(5000), -1.0, 1e-4, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const auto xyz = place(r.shape, kOrigin, kX, kY);
        const auto t0 = std::chrono::steady_clock::now();
        const Tris tris = run(xyz);
        EXPECT_LT(seconds(t0), 10.0);
        ASSERT_EQ(tris.size(), r.shape.size() - 2);
        double sum = 0;
        int flipped = 0;
        const double sign = r.area > 0 ? 1 : -1;
        for (const auto &t : tris) {
            const double *a = &xyz[3 * t[0]], *b = &xyz[3 * t[1]], *c = &xyz[3 * t[2]];
            const double s = 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]));
            flipped += sign * s < -1e-12;
            sum += s;
        }
        EXPECT_NEAR(sum, r.area, r.tolerance);
        EXPECT_LE(flipped, r.maxFlips);
    }
}
