// The multigrid-preconditioned conjugate gradient NL_CG_AMG_EXT: it stops
// at the threshold and agrees with the direct solver on conformal maps
// (regular, irregular, started from a rough layout or from zeros) and on
// unstructured systems with locked variables; tiny and singular systems.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "conformal_grid.h"
#include "nl_amg.h"
#include "nl_test_support.h"

namespace {

using NlAmg = NlTest;
using nl_test::Grid;
using nl_test::Result;
using nl_test::solve_with;
using nl_test::wavy;

constexpr double kThreshold = 1e-10;  // the cook's

// Largest difference of two layouts over the diagonal of the first one's
// bounding box (variables 2p, 2p + 1 are a point's u, v).
double layout_difference(const std::vector<double> &a, const std::vector<double> &b) {
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY}, worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i) {
        lo[i % 2] = std::min(lo[i % 2], a[i]);
        hi[i % 2] = std::max(hi[i % 2], a[i]);
        worst = std::max(worst, std::fabs(a[i] - b[i]));
    }
    return worst / std::hypot(hi[0] - lo[0], hi[1] - lo[1]);
}

struct ConformalCase {
    const char *name;
    Grid grid;
    bool start_at_xy;  // start from the plane's (x, y), as the default pins do; else 0
};

TEST_F(NlAmg, ConformalMapsReachTheThresholdAndAgreeWithTheDirectSolver) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> bump(-0.05, 0.05);
    std::vector<double> noise(200 * 200);
    for (double &v : noise) v = bump(rng);
    // Irregular: every point's height is its own, so no two triangles agree.
    auto rough = [&](double x, double y) { return noise[size_t(std::lround(x * 150) * 151 + std::lround(y * 150))]; };
    const ConformalCase cases[] = {
        {"small wavy, two levels", Grid{24, wavy, {0, 24 * 25 + 24}}, true},
        {"wavy from zeros", Grid{60, wavy, {0, 60}}, false},
        {"wavy above the threading limit", Grid{160, wavy, {0, 160 * 161 + 160}}, true},
        {"rough heights", Grid{150, rough, {0, 150}}, true},
        {"pins inside", Grid{80, wavy, {81 * 20 + 20, 81 * 60 + 50}}, true},
    };
    for (const ConformalCase &c : cases) {
        const Grid &g = c.grid;
        auto build = [&] {
            if (c.start_at_xy) {
                for (int p = 0; p < g.variables() / 2; ++p) {
                    nlSetVariable(NLuint(2 * p), g.x(p));
                    nlSetVariable(NLuint(2 * p + 1), g.y(p));
                }
            }
            g.build();
        };
        const Result direct = solve_with(NL_CHOLMOD_EXT, g.variables(), build, ctx_);
        const Result amg = solve_with(NL_CG_AMG_EXT, g.variables(), build, ctx_, kThreshold);
        ASSERT_EQ(direct.ok, NL_TRUE) << c.name;
        ASSERT_EQ(amg.ok, NL_TRUE) << c.name;
        EXPECT_LE(amg.error, kThreshold) << c.name;
        EXPECT_GT(amg.iterations, 0) << c.name;
        EXPECT_LT(amg.iterations, 300) << c.name;  // Jacobi needs thousands here
        EXPECT_LT(layout_difference(direct.value, amg.value), 1e-6) << c.name;
        for (int p : g.pins) EXPECT_EQ(amg.value[size_t(2 * p)], g.x(p)) << c.name;
    }
}

TEST_F(NlAmg, UnpairedSystemWithLockedAndAbsentVariablesAgreesWithTheDirectSolver) {
    // Scattered locks break the (2k, 2k+1) pairs: single unknowns are
    // aggregated, and the absent ones keep their start value.
    const NLint n = 3000;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> near(-20, 20);
    auto locked = [](int i) { return i % 97 == 5; };
    auto absent = [](int i) { return i % 89 == 7; };
    std::vector<std::vector<std::pair<NLuint, double>>> rows;
    for (int r = 0; r < 2 * n; ++r) {
        std::vector<std::pair<NLuint, double>> row;
        for (int k = 0; k < 4; ++k) {
            int i = (r / 2 + (k ? near(rng) : 0) + n) % n;
            if (absent(i)) i = (i + 1) % n;
            row.push_back({NLuint(i), u(rng)});
        }
        rows.push_back(row);
    }
    auto build = [&] {
        for (int i = 0; i < n; ++i) {
            nlSetVariable(NLuint(i), 0.25);
            if (locked(i)) nlLockVariable(NLuint(i));
        }
        nlBegin(NL_MATRIX);
        for (const auto &row : rows) {
            nlBegin(NL_ROW);
            for (const auto &[i, a] : row) nlCoefficient(i, a);
            nlRightHandSide(1.0);
            nlEnd(NL_ROW);
        }
    };
    const Result direct = solve_with(NL_CHOLMOD_EXT, n, build, ctx_);
    const Result amg = solve_with(NL_CG_AMG_EXT, n, build, ctx_, kThreshold);
    ASSERT_EQ(amg.ok, NL_TRUE);
    EXPECT_LE(amg.error, kThreshold);
    double worst = 0.0, scale = 0.0;
    for (int i = 0; i < n; ++i) {
        worst = std::max(worst, std::fabs(direct.value[i] - amg.value[i]));
        scale = std::max(scale, std::fabs(direct.value[i]));
        if (locked(i) || absent(i)) {
            EXPECT_EQ(amg.value[i], 0.25) << i;
        }
    }
    EXPECT_LT(worst, 1e-6 * scale);
}

TEST_F(NlAmg, TinySystemIsSolvedByTheCoarsestFactorInOneIteration) {
    nlSolverParameteri(NL_SOLVER, NL_CG_AMG_EXT);
    begin_system(3);
    lock(0, 1.0);
    nlBegin(NL_MATRIX);
    row({{1, 1.0}, {0, -1.0}}, 2.0);  // x1 = 3
    row({{2, 2.0}, {1, 1.0}}, 1.0);   // x2 = -1
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(used_iterations(), 1);
    EXPECT_NEAR(nlGetVariable(1), 3.0, 1e-14);
    EXPECT_NEAR(nlGetVariable(2), -1.0, 1e-14);
}

TEST_F(NlAmg, SingularSystemsFailWithAMessageAndKeepTheSetValues) {
    // Exactly singular (one coarse level), and a conformal map without
    // pins (every similarity free) through a hierarchy of several levels.
    struct Case {
        const char *name;
        NLint n;
        std::function<void()> build;
    };
    const Grid free_grid{40, wavy, {}};
    const Case cases[] = {
        {"difference only", 2,
         [] {
             nlBegin(NL_MATRIX);
             row({{0, 1.0}, {1, -1.0}}, 1.0);
         }},
        {"conformal without pins", free_grid.variables(), [&] { free_grid.build(); }},
    };
    for (const Case &c : cases) {
        testing::internal::CaptureStderr();
        const Result r = solve_with(
            NL_CG_AMG_EXT, c.n,
            [&] {
                for (NLint i = 0; i < c.n; ++i) nlSetVariable(NLuint(i), 0.5 + i);
                c.build();
            },
            ctx_, kThreshold);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.ok, NL_FALSE) << c.name;
        EXPECT_NE(said.find("OpenNL error in nlSolve(): NL_CG_AMG_EXT: the normal matrix is singular"),
                  std::string::npos)
            << said;
        for (NLint i = 0; i < c.n; ++i) ASSERT_EQ(r.value[size_t(i)], 0.5 + i) << c.name;
    }
}

TEST_F(NlAmg, ProgressStopsTheSetupOrTheLoopAndKeepsTheSetValues) {
    // The first report comes from the setup, before the coarse level; the
    // later ones from the loop.
    const Grid grid{24, wavy, {0, 24}};
    for (int stop_at : {1, 4}) {
        struct Seen {
            int calls = 0, stop_at = 0;
        } seen{0, stop_at};
        NLcontext c = nlNewContext();
        nlSolverParameteri(NL_SOLVER, NL_CG_AMG_EXT);
        nlSolverParameterd(NL_THRESHOLD, kThreshold);
        nlSolverParameteri(NL_MAX_ITERATIONS, 1000);
        begin_system(grid.variables());
        for (NLint i = 0; i < grid.variables(); ++i) nlSetVariable(NLuint(i), 0.125);
        grid.build();
        end_system();
        nlSetProgressFunction(
            [](NLuint, NLuint, NLdouble, void *d) -> NLboolean {
                auto *s = static_cast<Seen *>(d);
                return ++s->calls < s->stop_at ? NL_TRUE : NL_FALSE;
            },
            &seen);
        EXPECT_EQ(nlSolve(), NL_FALSE) << stop_at;
        EXPECT_EQ(seen.calls, stop_at);
        EXPECT_EQ(nlGetVariable(3), 0.125) << stop_at;
        nlDeleteContext(c);
    }
    nlMakeCurrent(ctx_);
}

TEST(NlAmgInternals, ThreadsChangeNoBit) {
    // A normal matrix large enough that every pass is split: a 1D chain
    // of 60000 points with (u, v) pairs, its first point fixed.
    const NLuint n = 120000;
    nl::RowList rows;
    std::vector<double> b(n, 0.0);
    for (NLuint p = 0; p + 1 < n / 2; ++p) {
        for (NLuint c = 0; c < 2; ++c) {
            rows.add(2 * p + c, 1.0);
            rows.add(2 * p + 2 + c, -1.0 - 0.5 * c);
            rows.end_row();
            b[2 * p + c] += 0.01 * (p % 7);
        }
    }
    const nl::CsrMatrix m = nl::build_normal_matrix(rows, n);
    std::vector<double> x1(n, 0.0), x2(n, 0.0);
    nl::CgOptions cg;
    cg.max_iterations = 500;
    cg.threshold = kThreshold;
    nl::AmgOptions amg;
    amg.block = 2;
    const nl::AmgOutcome one = nl::amg_conjugate_gradient(m, b, x1, cg, amg);
    cg.threads = amg.threads = 2;
    const nl::AmgOutcome two = nl::amg_conjugate_gradient(m, b, x2, cg, amg);
    EXPECT_GT(one.levels, 2u);
    EXPECT_EQ(one.cg.iterations, two.cg.iterations);
    EXPECT_EQ(x1, x2);

    // The same chain as complex equations z_p - (1 + 0.5i) z_p+1 = c_p,
    // with z_0 held, solved on the Hermitian matrix.
    nl::ComplexRows z;
    z.col.push_back(0);
    z.val.push_back({1.0, 0.0});
    z.row_start.push_back(z.col.size());
    for (NLuint p = 0; p + 1 < n / 2; ++p) {
        z.col.push_back(p);
        z.val.push_back({1.0, 0.0});
        z.col.push_back(p + 1);
        z.val.push_back({-1.0, -0.5});
        z.row_start.push_back(z.col.size());
    }
    const nl::HermitianMatrix h = nl::build_hermitian_normal_matrix(z, n / 2, 1, nl::Triangles::Both);
    std::vector<double> z1(n, 0.0), z2(n, 0.0);
    cg.threads = amg.threads = 1;
    const nl::AmgOutcome c1 = nl::amg_conjugate_gradient(h, b, z1, cg, amg);
    cg.threads = amg.threads = 2;
    const nl::AmgOutcome c2 = nl::amg_conjugate_gradient(h, b, z2, cg, amg);
    EXPECT_GT(c1.levels, 2u);
    EXPECT_LE(c1.cg.error, kThreshold);
    EXPECT_EQ(c1.cg.iterations, c2.cg.iterations);
    EXPECT_EQ(z1, z2);
}

}  // namespace
