// The range fit with one scale for both axes.
#include <gtest/gtest.h>
#include <algorithm>
#include "output/fit_to_range.h"
#include "support/flatskin_fixture.h"

TEST(KeepAspect, OneScaleFitsBothRangesCentredAndMirrored) {
    const struct {
        const char *name;
        double lo[2], hi[2], to0[2], to1[2];
        double low[2], high[2];  // where the layout's corners lo and hi land
    } cases[] = {
        // 4 x 1 into the unit square: u fills it, v is centred.
        {"wide", {-1, 2}, {3, 3}, {0, 0}, {1, 1}, {0, 0.375}, {1, 0.625}},
        // 1 x 2 into a wide range: v fills it, u is centred.
        {"tall", {0, 0}, {1, 2}, {0, 0.1}, {4, 0.9}, {1.8, 0.1}, {2.2, 0.9}},
        // A reversed u range mirrors u only.
        {"reversed", {0, 0}, {2, 1}, {1, 0}, {0, 1}, {1, 0.25}, {0, 0.75}},
        // All u equal: u goes to its range's middle and v alone sets the scale.
        {"degenerate", {5, 0}, {5, 1}, {0.1, 0.1}, {0.9, 0.5}, {0.5, 0.1}, {0.5, 0.5}},
        // A single point: the middle of both ranges.
        {"point", {5, 7}, {5, 7}, {0, 0}, {1, 2}, {0.5, 1}, {0.5, 1}},
    };
    for (const auto &c : cases) {
        const AspectFit f = fitKeepingAspect(c.lo, c.hi, c.to0, c.to1);
        for (int a = 0; a < 2; ++a) {
            EXPECT_NEAR(f.offset[a] + f.scale[a] * c.lo[a], c.low[a], 1e-12) << c.name << " axis " << a;
            EXPECT_NEAR(f.offset[a] + f.scale[a] * c.hi[a], c.high[a], 1e-12) << c.name << " axis " << a;
        }
        EXPECT_EQ(std::fabs(f.scale[0]), std::fabs(f.scale[1])) << c.name;
    }
}

TEST(KeepAspect, TheCookKeepsTheLayoutsProportions) {
    for (int keep = 0; keep < 2; ++keep) {
        fs_test::Unwrap u;
        fs_test::makeGrid(u.input, 8, 2, 4.0f, 1.0f);
        u.node->setInt("keepaspect", 0, keep);
        ASSERT_LT(u.cook(), UT_ERROR_ABORT);
        double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
        for (int p = 0; p < 16; ++p)
            for (int q = 0; q < 4; ++q) {
                const auto [s, t] = u.uv(p, q);
                lo[0] = std::min(lo[0], s), hi[0] = std::max(hi[0], s);
                lo[1] = std::min(lo[1], t), hi[1] = std::max(hi[1], t);
            }
        const double wide = std::max(hi[0] - lo[0], hi[1] - lo[1]), narrow = std::min(hi[0] - lo[0], hi[1] - lo[1]);
        // The default ranges are (0.1, 0.9): without the option both are filled.
        EXPECT_NEAR(wide, 0.8, 1e-6);
        EXPECT_NEAR(narrow, keep ? 0.2 : 0.8, 1e-5);
        for (int a = 0; a < 2; ++a) EXPECT_NEAR(lo[a] + hi[a], 1.0, 1e-5);
    }
}
