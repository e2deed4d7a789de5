// The "solver" menu's "multigrid" through the cook: the layout of "direct"
// to 1e-6 of its diagonal, with default pins (which start the solver from a
// projection of the surface) and with user pins (which start it from
// zeros); and "cg" keeps its layout bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
float wavy(float x, float y) { return 0.3f * std::sin(3 * x) * std::cos(2 * y); }
constexpr int kNx = 24, kNy = 18;

/// Cooks a wavy grid with the given "solver" item; with pins, two user
/// pins on opposite corners.
void cookGrid(Unwrap &u, int solver, bool pins) {
    makeGrid(u.input, kNx, kNy, 1, 1, wavy);
    u.node->setInt("solver", 0, solver);
    u.node->setInt("userange", 0, 0);
    if (pins) {
        u.addPin(0, 0, 0.0f, 0.0f);
        u.addPin(kNx * kNy - 1, 2, 1.0f, 0.5f);
    }
    ASSERT_LT(u.cook(), UT_ERROR_ABORT);
    ASSERT_FALSE(u.said("No solution for unwrapper, check pins have valid uvs"));
}
}  // namespace

TEST(Multigrid, AgreesWithDirectWithDefaultAndUserPins) {
    for (bool pins : {false, true}) {
        Unwrap direct, multigrid;
        cookGrid(direct, 1, pins);
        cookGrid(multigrid, 2, pins);
        double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY}, worst = 0;
        for (int p = 0; p < kNx * kNy; ++p)
            for (int q = 0; q < 4; ++q) {
                auto a = direct.uv(p, q), b = multigrid.uv(p, q);
                lo[0] = std::min(lo[0], a.first), hi[0] = std::max(hi[0], a.first);
                lo[1] = std::min(lo[1], a.second), hi[1] = std::max(hi[1], a.second);
                worst = std::max({worst, std::fabs(a.first - b.first), std::fabs(a.second - b.second)});
            }
        EXPECT_LT(worst, 1e-6 * std::hypot(hi[0] - lo[0], hi[1] - lo[1])) << "user pins " << pins;
    }
}

TEST(Multigrid, ConjugateGradientLayoutStaysBitForBit) {
    // Recorded from the Jacobi-preconditioned conjugate gradient, the
    // default solver, whose code this option leaves alone.
    struct Corner {
        int p, q;
        float u, v;
    };
    const Corner expected[] = {
        {57, 2, 0x1.324d72p-3f, -0x1.ffbfdp-2f},
        {250, 1, 0x1.1aec6ep-1f, -0x1.03d098p-1f},
        {431, 2, 0x1.11a466p+0f, -0x1.0620ccp+0f},
    };
    Unwrap cg;
    cookGrid(cg, 0, false);
    for (const Corner &c : expected) {
        auto uv = cg.uv(c.p, c.q);
        EXPECT_EQ(uv.first, c.u);
        EXPECT_EQ(uv.second, c.v);
    }
}
