// Triangulation of polygons with very many corners finishes quickly and
// covers the polygon.
#include <gtest/gtest.h>
#include <chrono>
#include <cmath>
#include <vector>
#include "GU/GU_Detail.h"

namespace {

/// A closed polygon of n corners on a circle, every other corner pulled in
/// to inner times the radius: a star, concave at every other corner.
void addStar(GU_Detail &g, int n, double inner) {
    std::vector<int> pts(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n, r = (i % 2) ? inner : 1.0;
        pts[i] = g.appendPoint(UT_Vector4(static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), 0, 1))->getNum();
    }
    g.appendPoly(pts.data(), n);
}

/// A comb of teeth: 4 * teeth + 3 corners, deep notches everywhere.
void addComb(GU_Detail &g, int teeth) {
    std::vector<int> pts;
    auto add = [&](double x, double y) { pts.push_back(g.appendPoint(UT_Vector4(float(x), float(y), 0, 1))->getNum()); };
    const double w = 1.0 / teeth;
    for (int i = 0; i < teeth; ++i) {
        add(i * w, 0);
        add(i * w, 1);
        add(i * w + 0.5 * w, 1);
        add(i * w + 0.5 * w, 0);
    }
    add(1, 0);
    add(1, -0.5);
    add(0, -0.5);
    g.appendPoly(pts.data(), static_cast<int>(pts.size()));
}

/// Sum of the triangles' signed areas in the plane z = 0; flipped counts
/// the triangles that turn against the sign given (+1 counter-clockwise).
double triangleArea(const GU_Detail &g, int &flipped, int sign = 1) {
    double sum = 0;
    flipped = 0;
    for (const auto &p : g.primitives()) {
        EXPECT_EQ(p->getVertexCount(), 3u);
        const UT_Vector4 &a = p->getVertex(0).getPt()->getPos(), &b = p->getVertex(1).getPt()->getPos(),
                         &c = p->getVertex(2).getPt()->getPos();
        const double t = 0.5 * ((double(b(0)) - a(0)) * (double(c(1)) - a(1)) - (double(b(1)) - a(1)) * (double(c(0)) - a(0)));
        if (sign * t < -1e-12) ++flipped;
        sum += t;
    }
    return sum;
}

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

TEST(GU_ConvexLarge, TwoHundredThousandCornerStarIsClippedQuickly) {
    GU_Detail g;
    const int n = 200000;
    addStar(g, n, 0.9);
    const auto t0 = std::chrono::steady_clock::now();
    g.convex(3, nullptr);
    const double took = seconds(t0);
    EXPECT_LT(took, 10.0);
    ASSERT_EQ(g.primitives().entries(), n - 2);
    int clockwise = 0;
    // The star's area: n triangles of the centre, each with sides 1 and 0.9.
    const double want = n * 0.5 * 0.9 * std::sin(2 * M_PI / n);
    EXPECT_NEAR(triangleArea(g, clockwise), want, 1e-3 * want);
    EXPECT_EQ(clockwise, 0);
}

// In 32-bit positions most corners of so fine a circle are straight within
// rounding, some turning the wrong way: the polygon may be clipped rather
// than fanned, and must be covered either way.
TEST(GU_ConvexLarge, CircleOfTwoHundredThousandCornersIsCoveredQuickly) {
    GU_Detail g;
    addStar(g, 200000, 1.0);
    const auto t0 = std::chrono::steady_clock::now();
    g.convex(3, nullptr);
    EXPECT_LT(seconds(t0), 10.0);
    ASSERT_EQ(g.primitives().entries(), 199998);
    int flipped = 0;
    EXPECT_NEAR(triangleArea(g, flipped), M_PI, 1e-3);
    EXPECT_LT(flipped, 100);
}

TEST(GU_ConvexLarge, CombOfManyTeethIsClippedQuicklyAndCovered) {
    GU_Detail g;
    // The base under the teeth ends up as a long straight run that only its
    // two end corners can be cut from, as fans whose tests each span the run;
    // 5,000 teeth keep that within a second.
    const int teeth = 5000;
    addComb(g, teeth);
    const int n = g.points().entries();
    const auto t0 = std::chrono::steady_clock::now();
    g.convex(3, nullptr);
    EXPECT_LT(seconds(t0), 10.0);
    ASSERT_EQ(g.primitives().entries(), n - 2);
    int flipped = 0;
    // The outline runs clockwise: teeth of width w/2 and height 1 over a
    // base of height 0.5.
    EXPECT_NEAR(triangleArea(g, flipped, -1), -(0.5 + 0.5), 1e-4);
    EXPECT_EQ(flipped, 0);
}
