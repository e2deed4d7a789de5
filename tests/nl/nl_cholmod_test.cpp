// The direct solver NL_CHOLMOD_EXT: agreement with the dense reference and
// with the conjugate gradient, the treatment of locked and absent
// variables, and refusal of singular or non-finite systems.
#include <dlfcn.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "conformal_grid.h"
#include "dense_least_squares.h"
#include "nl_test_support.h"

namespace {

using NlCholmod = NlTest;
using nl_test::dense_least_squares;
using nl_test::Grid;
using nl_test::Result;
using nl_test::solve_with;
using nl_test::wavy;

TEST_F(NlCholmod, RandomSparseSystemMatchesDenseAndCgWithLockedAndAbsentVariables) {
    const NLint n = 400;
    std::mt19937 rng(19);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<NLuint> pick(0, n - 1);
    std::vector<bool> locked(n);
    std::vector<double> value(n);
    for (NLint i = 0; i < n; ++i) {
        value[i] = u(rng);
        locked[i] = i % 7 == 3;
    }
    // Variables 11k + 5 are free but in no row: they must keep their value,
    // and the direct solver must leave them out of the factorisation.
    auto absent = [](NLuint i) { return i % 11 == 5 && i % 7 != 3; };
    std::vector<std::vector<double>> a(3 * n, std::vector<double>(n, 0.0));
    std::vector<double> rhs(3 * n);
    for (size_t r = 0; r < a.size(); ++r) {
        for (int k = 0; k < 5; ++k) {  // picks may repeat within a row
            NLuint i = k == 0 ? NLuint(r % n) : pick(rng);
            while (absent(i)) i = (i + 1) % n;
            a[r][i] += u(rng);
        }
        rhs[r] = u(rng);
    }
    auto build = [&] {
        for (NLint i = 0; i < n; ++i) {
            nlSetVariable(NLuint(i), value[i]);
            if (locked[i]) nlLockVariable(NLuint(i));
        }
        nlBegin(NL_MATRIX);
        for (size_t r = 0; r < a.size(); ++r) {
            nlBegin(NL_ROW);
            for (NLint i = 0; i < n; ++i) {
                if (a[r][i] != 0.0) nlCoefficient(NLuint(i), a[r][i]);
            }
            nlRightHandSide(rhs[r]);
            nlEnd(NL_ROW);
        }
    };
    const Result direct = solve_with(NL_CHOLMOD_EXT, n, build, ctx_);
    const Result cg = solve_with(NL_CG, n, build, ctx_);
    ASSERT_EQ(direct.ok, NL_TRUE);
    ASSERT_EQ(cg.ok, NL_TRUE);
    EXPECT_EQ(direct.iterations, 0);
    EXPECT_LT(direct.error, 1e-12);

    std::vector<bool> fixed = locked;  // absent ones are fixed for the dense solve
    for (NLint i = 0; i < n; ++i) fixed[i] = fixed[i] || absent(NLuint(i));
    const std::vector<double> dense = dense_least_squares(a, rhs, fixed, value);
    for (NLint i = 0; i < n; ++i) {
        EXPECT_NEAR(direct.value[i], dense[i], 1e-9) << i;
        EXPECT_NEAR(direct.value[i], cg.value[i], 1e-9) << i;
        if (locked[i] || absent(NLuint(i))) {
            EXPECT_EQ(direct.value[i], value[i]) << i;
        }
    }
}

TEST_F(NlCholmod, ConformalMapOfAWavySurfaceMatchesCg) {
    const Grid grid{24, wavy, {0, 24 * 25 + 24}};
    auto build = [&] { grid.build(); };
    const Result direct = solve_with(NL_CHOLMOD_EXT, grid.variables(), build, ctx_);
    const Result cg = solve_with(NL_CG, grid.variables(), build, ctx_, 1e-14);
    ASSERT_EQ(direct.ok, NL_TRUE);
    ASSERT_EQ(cg.ok, NL_TRUE);
    double worst = 0.0;
    for (size_t i = 0; i < direct.value.size(); ++i) {
        worst = std::max(worst, std::fabs(direct.value[i] - cg.value[i]));
    }
    EXPECT_LT(worst, 1e-9);
    // Pins are written back exactly as set.
    EXPECT_EQ(direct.value[2 * 624], 1.0);
    EXPECT_EQ(direct.value[2 * 624 + 1], 1.0);
}

TEST_F(NlCholmod, FlatGridAboveTheThreadingLimitMapsOntoItself) {
    // A flat grid is conformal to itself: pinning two corners where they
    // are gives u = x, v = y exactly, on 2 x 40401 variables.
    const Grid grid{200, [](double, double) { return 0.0; }, {0, 200}};
    const Result direct = solve_with(
        NL_CHOLMOD_EXT, grid.variables(), [&] { grid.build(); }, ctx_);
    ASSERT_EQ(direct.ok, NL_TRUE);
    double worst = 0.0;
    for (int p = 0; p < grid.variables() / 2; ++p) {
        worst = std::max(worst, std::fabs(direct.value[2 * p] - grid.x(p)));
        worst = std::max(worst, std::fabs(direct.value[2 * p + 1] - grid.y(p)));
    }
    // Two pins on 40401 points make the normal matrix condition number
    // about 1e9, so the answer is good to about 1e9 machine epsilons,
    // while the residual stays at roundoff.
    EXPECT_LT(worst, 1e-6);
    EXPECT_LT(direct.error, 1e-12);
}

TEST_F(NlCholmod, LockedTermsMoveToTheRightHandSideAndAbsentVariablesStay) {
    nlSolverParameteri(NL_SOLVER, NL_CHOLMOD_EXT);
    begin_system(5);
    lock(0, 3.0);
    nlSetVariable(2, 7.25);  // free, in no row
    lock(3, -2.0);
    lock(4, 1e300);  // locked, in no row: never read
    nlBegin(NL_MATRIX);
    row({{1, 2.0}, {0, 1.0}}, 11.0);  // 2 x1 + 3 = 11
    row({{1, 1.0}, {3, -1.0}}, 6.0);  // x1 + 2 = 6
    row({{2, 0.0}, {1, 1.0}}, 4.0);   // a zero coefficient does not make x2 present
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_NEAR(nlGetVariable(1), 4.0, 1e-12);
    EXPECT_EQ(nlGetVariable(2), 7.25);
    EXPECT_EQ(nlGetVariable(0), 3.0);
    EXPECT_EQ(nlGetVariable(3), -2.0);
    EXPECT_EQ(nlGetVariable(4), 1e300);
}

TEST_F(NlCholmod, EveryVariableLockedOrAbsentSolvesToTheSetValues) {
    nlSolverParameteri(NL_SOLVER, NL_CHOLMOD_EXT);
    begin_system(3);
    lock(0, 1.5);
    lock(1, -2.0);
    nlSetVariable(2, 0.5);  // free but absent: nothing is left to factor
    nlBegin(NL_MATRIX);
    row({{0, 1.0}, {1, 3.0}}, 4.0);
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(nlGetVariable(0), 1.5);
    EXPECT_EQ(nlGetVariable(1), -2.0);
    EXPECT_EQ(nlGetVariable(2), 0.5);
}

TEST_F(NlCholmod, SolvesLeaveTheCallersThreadSettingsAsTheyWere) {
    // The solver narrows OpenMP and BLAS threads for its own calls only.
    auto *get_levels = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    auto *set_levels = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    auto *get_blas = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
    auto *set_blas = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
    if (!get_levels || !set_levels || !get_blas || !set_blas) GTEST_SKIP() << "no OpenMP or OpenBLAS under CHOLMOD";
    const int levels = get_levels(), blas = get_blas();
    set_levels(3);
    set_blas(2);
    const Grid grid{30, wavy, {0, 30 * 31 + 30}};
    EXPECT_EQ(solve_with(
                  NL_CHOLMOD_EXT, grid.variables(), [&] { grid.build(); }, ctx_)
                  .ok,
              NL_TRUE);
    EXPECT_EQ(get_levels(), 3);
    EXPECT_EQ(get_blas(), 2);
    set_levels(levels);
    set_blas(blas);
}

TEST_F(NlCholmod, SingularSystemsFailWithAMessageAndKeepTheSetValues) {
    // Exactly singular: only the difference of x0 and x1 is known.
    nlSolverParameteri(NL_SOLVER, NL_CHOLMOD_EXT);
    begin_system(2);
    nlSetVariable(0, 0.25);
    nlSetVariable(1, -4.0);
    nlBegin(NL_MATRIX);
    row({{0, 1.0}, {1, -1.0}}, 1.0);
    end_system();
    testing::internal::CaptureStderr();
    EXPECT_EQ(nlSolve(), NL_FALSE);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("OpenNL error in nlSolve(): NL_CHOLMOD_EXT"), std::string::npos) << said;
    EXPECT_NE(said.find("singular"), std::string::npos) << said;
    EXPECT_EQ(nlGetVariable(0), 0.25);
    EXPECT_EQ(nlGetVariable(1), -4.0);
    // A second solve is still a misuse.
    testing::internal::CaptureStderr();
    EXPECT_EQ(nlSolve(), NL_FALSE);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("state SOLVED"), std::string::npos);
}

TEST_F(NlCholmod, ConformalMapWithoutPinsIsSingularThroughRoundoff) {
    // Without pins the conformal rows leave every similarity free: four
    // zero eigenvalues that elimination only sees as roundoff pivots.
    for (int n : {6, 120}) {
        Grid grid{n, wavy, {}};
        const NLint vars = grid.variables();
        testing::internal::CaptureStderr();
        const Result r = solve_with(
            NL_CHOLMOD_EXT, vars,
            [&] {
                for (NLint i = 0; i < vars; ++i) nlSetVariable(NLuint(i), 0.5);
                grid.build();
            },
            ctx_);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.ok, NL_FALSE) << n;
        EXPECT_NE(said.find("singular"), std::string::npos) << said;
        EXPECT_EQ(r.value, std::vector<double>(size_t(vars), 0.5)) << n;
    }
}

TEST_F(NlCholmod, NonFiniteInputFailsBeforeFactoring) {
    const auto with_value = [&](double coefficient, double locked_value) {
        return solve_with(
            NL_CHOLMOD_EXT, 3,
            [&] {
                lock(2, locked_value);
                nlBegin(NL_MATRIX);
                row({{0, 1.0}, {2, 1.0}}, 1.0);
                row({{1, coefficient}}, 2.0);
            },
            ctx_);
    };
    EXPECT_EQ(with_value(1.0, 0.0).ok, NL_TRUE);
    EXPECT_EQ(with_value(NAN, 0.0).ok, NL_FALSE);
    EXPECT_EQ(with_value(1.0, INFINITY).ok, NL_FALSE);
}

}  // namespace
