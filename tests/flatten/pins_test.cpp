// Pins, default pins and the pin transform, through the cook.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
/// A slightly bent grid, so that no two triangles are alike.
void bentGrid(GU_Detail &g) {
    makeGrid(g, 4, 3, 2.0f, 1.5f, [](float x, float y) { return 0.3f * std::sin(1.7f * x) * std::cos(1.3f * y); });
    for (const auto &p : g.points()) p->getPos()(0) += 0.05f * std::sin(7.0f * p->getPos()(1) + p->getNum());
}

/// The conformal least-squares problem written from scratch in doubles:
/// angles from side lengths (law of cosines), the largest-sine corner
/// third, two pinned points, and a dense solve of the normal equations.
std::vector<double> denseSolve(const GU_Detail &g, int pa, int pb, const double ua[2], const double ub[2]) {
    const int n = g.points().entries();
    std::vector<std::vector<double>> rows;
    auto P = [&](int i) {
        const UT_Vector4 &p = g.points()(i)->getPos();
        return std::vector<double>{p(0), p(1), p(2)};
    };
    auto dist = [&](int i, int j) {
        auto a = P(i), b = P(j);
        return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
    };
    for (const auto &prim : g.primitives()) {
        int q[4];
        for (int i = 0; i < 4; ++i) q[i] = prim->getVertex(i).getPt()->getNum();
        // The fan the kit makes of a convex quad.
        for (int t = 0; t < 2; ++t) {
            int c[3] = {q[0], q[1 + t], q[2 + t]};
            double l01 = dist(c[0], c[1]), l12 = dist(c[1], c[2]), l20 = dist(c[2], c[0]);
            double ang[3] = {std::acos((l01 * l01 + l20 * l20 - l12 * l12) / (2 * l01 * l20)),
                             std::acos((l01 * l01 + l12 * l12 - l20 * l20) / (2 * l01 * l12)), 0};
            ang[2] = M_PI - ang[0] - ang[1];
            int s = 0;
            double sn[3] = {std::sin(ang[0]), std::sin(ang[1]), std::sin(ang[2])};
            if (sn[2] >= sn[0] && sn[2] >= sn[1])
                s = 0;
            else if (sn[0] >= sn[1])
                s = 1;
            else
                s = 2;
            int k0 = c[s], k1 = c[(s + 1) % 3], k2 = c[(s + 2) % 3];
            double a0 = ang[s];
            double r = dist(k0, k2) / dist(k0, k1);
            double C = r * std::cos(a0), S = r * std::sin(a0);
            std::vector<double> re(2 * n, 0.0), im(2 * n, 0.0);
            re[2 * k0] += C - 1;
            re[2 * k0 + 1] += -S;
            re[2 * k1] += -C;
            re[2 * k1 + 1] += S;
            re[2 * k2] += 1;
            im[2 * k0] += S;
            im[2 * k0 + 1] += C - 1;
            im[2 * k1] += -S;
            im[2 * k1 + 1] += -C;
            im[2 * k2 + 1] += 1;
            rows.push_back(re);
            rows.push_back(im);
        }
    }
    std::vector<double> fixed(2 * n, NAN);
    fixed[2 * pa] = ua[0];
    fixed[2 * pa + 1] = ua[1];
    fixed[2 * pb] = ub[0];
    fixed[2 * pb + 1] = ub[1];
    std::vector<int> freeVars;
    for (int i = 0; i < 2 * n; ++i)
        if (std::isnan(fixed[i])) freeVars.push_back(i);
    const int m = static_cast<int>(freeVars.size());
    std::vector<std::vector<double>> A(m, std::vector<double>(m + 1, 0.0));
    for (const auto &row : rows) {
        double rhs = 0;
        for (int i = 0; i < 2 * n; ++i)
            if (!std::isnan(fixed[i])) rhs -= row[i] * fixed[i];
        for (int a = 0; a < m; ++a) {
            for (int b = 0; b < m; ++b) A[a][b] += row[freeVars[a]] * row[freeVars[b]];
            A[a][m] += row[freeVars[a]] * rhs;
        }
    }
    for (int c = 0; c < m; ++c) {
        int piv = c;
        for (int r = c + 1; r < m; ++r)
            if (std::abs(A[r][c]) > std::abs(A[piv][c])) piv = r;
        std::swap(A[c], A[piv]);
        for (int r = 0; r < m; ++r) {
            if (r == c) continue;
            double f = A[r][c] / A[c][c];
            for (int k = c; k <= m; ++k) A[r][k] -= f * A[c][k];
        }
    }
    std::vector<double> x = fixed;
    for (int a = 0; a < m; ++a) x[freeVars[a]] = A[a][m] / A[a][a];
    return x;
}
}  // namespace

TEST(Pins, TwoPinsLandExactlyAndMatchADenseSolve) {
    Unwrap u;
    bentGrid(u.input);
    u.node->setInt("userange", 0, 0);
    u.addPin(0, 0, 0, 0);
    u.addPin(11, 2, 1, 0);
    u.cook();
    EXPECT_FALSE(u.said("No pins defined, calculating default pins"));
    EXPECT_TRUE(u.said("No input uvs, can't use live pin uvs", 4));
    EXPECT_EQ(u.uv(0, 0), std::make_pair(0.0, 0.0));
    EXPECT_EQ(u.uv(11, 2), std::make_pair(1.0, 0.0));

    int pa = u.input.primitives()(0)->getVertex(0).getPt()->getNum();
    int pb = u.input.primitives()(11)->getVertex(2).getPt()->getNum();
    const double ua[2] = {0, 0}, ub[2] = {1, 0};
    std::vector<double> x = denseSolve(u.input, pa, pb, ua, ub);
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < p->getVertexCount(); ++q) {
            int pt = p->getVertex(q).getPt()->getNum();
            auto t = u.uv(p->getNum(), q);
            EXPECT_NEAR(t.first, x[2 * pt], 1e-6);
            EXPECT_NEAR(t.second, x[2 * pt + 1], 1e-6);
        }
}

TEST(Pins, RotateTurnsPinsClockwise) {
    Unwrap u;
    bentGrid(u.input);
    u.node->setInt("userange", 0, 0);
    u.addPin(0, 0, 0, 0);
    u.addPin(11, 2, 1, 0);
    u.node->setFloat("rotate", 0, 90);
    u.cook();
    EXPECT_NEAR(u.uv(0, 0).first, 0, 1e-6);
    EXPECT_NEAR(u.uv(11, 2).first, 0, 1e-6);
    EXPECT_NEAR(u.uv(11, 2).second, -1, 1e-6);
}

TEST(Pins, RotateIsEvaluatedAtTheCookTime) {
    Unwrap u;
    bentGrid(u.input);
    u.node->setInt("userange", 0, 0);
    u.addPin(0, 0, 0, 0);
    u.addPin(11, 2, 1, 0);
    u.node->setKeys("rotate", 0, {{0.0f, 0.0f}, {1.0f, 180.0f}});
    u.cook(0.5f);
    EXPECT_NEAR(u.uv(11, 2).second, -1, 1e-6);
    u.cook(1.0f);
    EXPECT_NEAR(u.uv(11, 2).first, -1, 1e-6);
}

TEST(Pins, FewerThanTwoEnabledPinsGiveDefaultPins) {
    for (int enabled : {0, 1}) {
        Unwrap u;
        makeGrid(u.input, 3, 2, 3.0f, 1.0f);
        u.node->setInt("userange", 0, 0);
        u.addPin(4, 1, 0.5f, 0.5f);
        u.addPin(0, 0, 0.2f, 0.2f, enabled == 1);
        u.node->setInt("enable1", 0, 0);
        if (enabled) u.node->setInt("enable1", 0, 1), u.node->setInt("enable2", 0, 0);
        u.cook();
        EXPECT_TRUE(u.said("No pins defined, calculating default pins", 4));
        // Default pins hold the ends of the x extent at their projections.
        EXPECT_NEAR(u.uv(0, 0).first, 0.0, 1e-6);
        EXPECT_NEAR(u.uv(2, 1).first, 3.0, 1e-6);
        EXPECT_FALSE(u.node->hasLivePinUVs());
    }
}

TEST(Pins, OutOfRangePinNumbersAreClamped) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.node->setInt("userange", 0, 0);
    u.addPin(0, 0, 0.1f, 0.2f);
    u.addPin(99, 99, 0.9f, 0.8f);  // last primitive, its last vertex
    u.cook();
    auto t = u.uv(3, 3);
    EXPECT_NEAR(t.first, 0.9, 1e-6);
    EXPECT_NEAR(t.second, 0.8, 1e-6);
}

TEST(Pins, LivePinsCaptureInputUvsForGrab) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    const float zero[3] = {0, 0, 0};
    int off = u.input.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, zero);
    u.input.primitives()(0)->getVertex(0).setValue<float>(off, 0.25f, 0);
    u.input.primitives()(0)->getVertex(0).setValue<float>(off, 0.75f, 1);
    u.input.primitives()(3)->getVertex(2).setValue<float>(off, 0.5f, 0);
    u.addPin(0, 0, 0.1f, 0.1f);
    u.addPin(3, 2, 0.9f, 0.9f);
    u.addPin(1, 1, 0.3f, 0.3f, false);

    u.node->pressButton("grab", 0);  // nothing captured yet
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv1", 0, 0), 0.1f);

    u.cook();
    EXPECT_FALSE(u.said("No input uvs, can't use live pin uvs"));
    EXPECT_TRUE(u.node->hasLivePinUVs());
    u.node->pressButton("grab", 0);
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv1", 0, 0), 0.25f);
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv1", 1, 0), 0.75f);
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv2", 0, 0), 0.5f);
    EXPECT_FLOAT_EQ(u.node->evalFloat("pinuv3", 0, 0), 0.3f);  // disabled: untouched
}

TEST(Pins, LivePinsWithoutInputUvsUseThePinValues) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.node->setInt("userange", 0, 0);
    u.node->setInt("livepins", 0, 1);
    u.addPin(0, 0, 0.1f, 0.2f);
    u.addPin(3, 2, 0.7f, 0.4f);
    u.cook();
    EXPECT_TRUE(u.said("No input uvs, can't use live pin uvs", 4));
    EXPECT_NEAR(u.uv(0, 0).first, 0.1, 1e-6);
    EXPECT_NEAR(u.uv(3, 2).second, 0.4, 1e-6);
}

TEST(Pins, NanInputUvWithLivePinsFailsTheSolve) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    const float nan3[3] = {NAN, NAN, 0};
    u.input.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, nan3);
    u.node->setInt("livepins", 0, 1);
    u.addPin(0, 0, 0, 0);
    u.addPin(3, 2, 1, 1);
    u.cook();
    EXPECT_TRUE(u.said("No solution for unwrapper, check pins have valid uvs", 4));
    EXPECT_TRUE(std::isnan(u.uv(1, 1).first));  // the input's values, not written
}

TEST(Pins, CornerAnglesAndClampedAcos) {
    EXPECT_FLOAT_EQ(SOP_Flatskin::clampedAcos(-2.0f), static_cast<float>(M_PI));
    EXPECT_EQ(SOP_Flatskin::clampedAcos(1.5f), 0.0f);
    GU_Detail g;
    g.appendPoint(UT_Vector4(0, 0, 0, 1));
    g.appendPoint(UT_Vector4(1, 0, 0, 1));
    g.appendPoint(UT_Vector4(0, 1, 0, 1));
    g.appendPoint(UT_Vector4(0, 0, 0, 1));
    int tri[3] = {0, 1, 2}, degenerate[3] = {0, 3, 2};
    g.appendPoly(tri, 3);
    g.appendPoly(degenerate, 3);
    float a0, a1, a2;
    SOP_Flatskin::cornerAngles(*g.primitives()(0), a0, a1, a2);
    EXPECT_NEAR(a0, M_PI / 2, 1e-6);
    EXPECT_NEAR(a1, M_PI / 4, 1e-6);
    EXPECT_NEAR(a2, M_PI / 4, 1e-6);
    SOP_Flatskin::cornerAngles(*g.primitives()(1), a0, a1, a2);
    EXPECT_TRUE(std::isfinite(a0) && std::isfinite(a1) && std::isfinite(a2));
}

namespace {
/// The output's uvs, in primitive and vertex order.
std::vector<std::pair<double, double>> layout(Unwrap &u) {
    std::vector<std::pair<double, double>> uvs;
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < p->getVertexCount(); ++q) uvs.push_back(u.uv(p->getNum(), static_cast<int>(q)));
    return uvs;
}
}  // namespace

TEST(Pins, PinsThatCannotFixTheLayoutGiveDefaultPins) {
    const char *not_fixed = "Pins do not fix the layout (need two pinned points with different uvs in the piece), "
                            "calculating default pins";
    struct Case {
        const char *name;
        int p1, q1, p2, q2;
        float uv2[2];
        bool warned;  // false: no pin in the piece, whose own warning stands
    } cases[] = {
        {"same uv at two points", 0, 0, 2, 2, {0.1f, 0.9f}, true},
        {"two pins on one point", 0, 2, 1, 3, {0.7f, 0.2f}, true},
        {"no pin in the piece", 6, 0, 8, 2, {0.7f, 0.2f}, false},
    };
    for (int solver : {0, 1})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (solver ? ", direct" : ", cg"));
            // Two grids apart; the hint selects the first (primitives 0-5).
            auto run = [&](bool pinned, Unwrap &u) {
                makeGrid(u.input, 3, 2, 3.0f, 1.0f);
                makeGrid(u.input, 3, 2, 3.0f, 1.0f, nullptr, 10.0f, 0.0f);
                u.node->setInt("solver", 0, solver);
                if (pinned) {
                    u.addPin(c.p1, c.q1, 0.1f, 0.9f);
                    u.addPin(c.p2, c.q2, c.uv2[0], c.uv2[1]);
                }
                u.cook();
            };
            Unwrap plain, pinned;
            run(false, plain);
            run(true, pinned);
            EXPECT_EQ(pinned.said(not_fixed, 4), c.warned);
            EXPECT_TRUE(pinned.said("No input uvs, can't use live pin uvs", 4));
            EXPECT_FALSE(pinned.said("No solution for unwrapper, check pins have valid uvs"));
            EXPECT_EQ(layout(pinned), layout(plain));
        }
}

TEST(Pins, DefaultPinAxesOfSquarePiecesTakeTheLaterAxisAsU) {
    // A unit square of 2 x 2 quads at x in [2, 3]. Point 0 is the first
    // point at the smallest u coordinate and point 6 the first at the
    // largest: both are held at (u axis, v axis) of their positions.
    // In y = 0 the u axis is z, in z = 0 it is y; v is x in both.
    for (bool y_zero : {true, false}) {
        SCOPED_TRACE(y_zero ? "square in y = 0" : "square in z = 0");
        Unwrap u;
        makeGrid(u.input, 2, 2, 1.0f, 1.0f, nullptr, 2.0f, 0.0f);
        if (y_zero)
            for (const auto &p : u.input.points()) {
                UT_Vector4 &P = p->getPos();
                P(2) = P(1);
                P(1) = 0;
            }
        u.node->setInt("userange", 0, 0);
        u.cook();
        // Point 0 is vertex 0 of quad 0; point 6 is vertex 3 of quad 2.
        EXPECT_EQ(u.uv(0, 0), std::make_pair(0.0, 2.0));
        EXPECT_EQ(u.uv(2, 3), std::make_pair(1.0, 2.0));
    }
}
