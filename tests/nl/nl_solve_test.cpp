// Solutions of the least-squares solver: known answers, agreement with a
// dense solve, the treatment of locked and absent variables, stopping.
#include <cmath>
#include <random>
#include <vector>

#include "dense_least_squares.h"
#include "nl_test_support.h"

namespace {

using NlSolve = NlTest;
using nl_test::dense_least_squares;

double corner_angle(const double p[3][2], int k) {
    const double *a = p[k];
    const double *b = p[(k + 1) % 3];
    const double *c = p[(k + 2) % 3];
    const double ux = b[0] - a[0], uy = b[1] - a[1], vx = c[0] - a[0], vy = c[1] - a[1];
    return std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy);
}

TEST_F(NlSolve, OneTriangleConformalMapSolvesInOneIteration) {
    const double p[3][2] = {{0, 0}, {2, 0}, {0.5, 1.2}};
    const double a0 = corner_angle(p, 0), a1 = corner_angle(p, 1), a2 = corner_angle(p, 2);
    ASSERT_GT(std::sin(a2), std::sin(a0));
    ASSERT_GT(std::sin(a2), std::sin(a1));
    const double r = std::sin(a1) / std::sin(a2);
    const double cr = std::cos(a0) * r, sr = std::sin(a0) * r;

    begin_system(6);  // (u, v) of vertex k are variables 2k, 2k+1
    lock(0, 0.0);
    lock(1, 0.0);
    lock(2, 1.0);
    lock(3, 0.0);
    nlBegin(NL_MATRIX);
    row({{0, cr - 1}, {1, -sr}, {2, -cr}, {3, sr}, {4, 1}});
    row({{0, sr}, {1, cr - 1}, {2, -sr}, {3, -cr}, {5, 1}});
    end_system();

    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(used_iterations(), 1);
    EXPECT_NEAR(nlGetVariable(4), 0.25, 1e-14);
    EXPECT_NEAR(nlGetVariable(5), 0.6, 1e-14);
    EXPECT_EQ(nlGetVariable(2), 1.0);
}

TEST_F(NlSolve, RandomSparseSystemMatchesDenseLeastSquares) {
    const NLint n = 300;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<NLuint> pick(0, n - 1);
    std::vector<bool> locked(n);
    std::vector<double> value(n);
    nlSolverParameterd(NL_THRESHOLD, 1e-10);
    begin_system(n);
    for (NLint i = 0; i < n; ++i) {
        value[i] = u(rng);
        locked[i] = i % 7 == 3;
        nlSetVariable(i, value[i]);
        if (locked[i]) nlLockVariable(i);
    }
    nlBegin(NL_MATRIX);
    std::vector<std::vector<double>> a(3 * n, std::vector<double>(n, 0.0));
    std::vector<double> rhs(3 * n);
    for (size_t r = 0; r < a.size(); ++r) {
        nlBegin(NL_ROW);
        for (int k = 0; k < 5; ++k) {  // picks may repeat within a row
            const NLuint i = k == 0 ? NLuint(r % n) : pick(rng);
            const double c = u(rng);
            a[r][i] += c;
            nlCoefficient(i, c);
        }
        rhs[r] = u(rng);
        nlRightHandSide(rhs[r]);
        nlEnd(NL_ROW);
    }
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);

    const std::vector<double> expected = dense_least_squares(a, rhs, locked, value);
    for (NLint i = 0; i < n; ++i) EXPECT_NEAR(nlGetVariable(i), expected[i], 1e-9) << i;
    NLint cap = 0;
    double error = 1.0;
    nlGetIntegerv(NL_MAX_ITERATIONS, &cap);
    nlGetDoublev(NL_ERROR, &error);
    EXPECT_LT(used_iterations(), cap);
    EXPECT_LE(error, 1e-10);
}

TEST_F(NlSolve, LockedTermsMoveToTheRightHandSideAndAbsentVariablesStay) {
    begin_system(5);
    lock(0, 3.0);
    nlSetVariable(2, 7.25);  // free, in no row
    lock(3, -2.0);
    lock(4, 1e300);  // locked, in no row: never read
    nlBegin(NL_MATRIX);
    row({{1, 2.0}, {0, 1.0}}, 11.0);  // 2 x1 + 3 = 11
    row({{1, 1.0}, {3, -1.0}}, 6.0);  // x1 + 2 = 6
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_NEAR(nlGetVariable(1), 4.0, 1e-12);
    EXPECT_EQ(nlGetVariable(2), 7.25);
    EXPECT_EQ(nlGetVariable(0), 3.0);
    EXPECT_EQ(nlGetVariable(3), -2.0);
    EXPECT_EQ(nlIsVariableLocked(3), NL_TRUE);
    EXPECT_EQ(nlIsVariableLocked(2), NL_FALSE);
}

TEST_F(NlSolve, AllVariablesLockedSolvesToTheLockedValues) {
    begin_system(2);
    lock(0, 1.5);
    lock(1, -2.0);
    nlBegin(NL_MATRIX);
    row({{0, 1.0}, {1, 3.0}}, 4.0);
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(used_iterations(), 0);
    EXPECT_EQ(nlGetVariable(0), 1.5);
    EXPECT_EQ(nlGetVariable(1), -2.0);
}

TEST_F(NlSolve, RowTermsAddUpAndTheRightHandSideResetsAfterEachRow) {
    begin_system(2);
    nlBegin(NL_MATRIX);
    row({{0, 1.0}, {0, 1.0}}, 6.0);  // 2 x0 = 6
    nlRightHandSide(4.0);            // set between rows: for the next row
    nlBegin(NL_ROW);
    nlCoefficient(1, 1.0);
    nlEnd(NL_ROW);    // x1 = 4
    row({{1, 1.0}});  // x1 = 0
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_NEAR(nlGetVariable(0), 3.0, 1e-12);
    EXPECT_NEAR(nlGetVariable(1), 2.0, 1e-12);
}

// x0 = 3, x1 = 5 from the given start values.
NLint iterations_from(double x0, double x1) {
    begin_system(2);
    nlSetVariable(0, x0);
    nlSetVariable(1, x1);
    nlBegin(NL_MATRIX);
    row({{0, 1.0}}, 3.0);
    row({{1, 1.0}}, 5.0);
    end_system();
    EXPECT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(nlGetVariable(0), 3.0);
    EXPECT_EQ(nlGetVariable(1), 5.0);
    return used_iterations();
}

TEST_F(NlSolve, StartValuesAreTheFirstIterate) {
    EXPECT_EQ(iterations_from(3.0, 5.0), 0);
    nlDeleteContext(ctx_);
    ctx_ = nlNewContext();
    EXPECT_EQ(iterations_from(0.0, 0.0), 1);
}

TEST_F(NlSolve, StopsAtTheIterationCapAndStillSucceeds) {
    const NLuint n = 200;  // a chain x[i] - x[i+1] = 1, far from converged after 3 steps
    nlSolverParameteri(NL_MAX_ITERATIONS, 3);
    nlSolverParameterd(NL_THRESHOLD, 1e-12);
    begin_system(n);
    lock(0, 0.0);
    nlBegin(NL_MATRIX);
    for (NLuint i = 0; i + 1 < n; ++i) row({{i, 1.0}, {i + 1, -1.0}}, 1.0);
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    EXPECT_EQ(used_iterations(), 3);
    double error = 0.0;
    nlGetDoublev(NL_ERROR, &error);
    EXPECT_GT(error, 1e-12);
    EXPECT_NE(nlGetVariable(n - 1), 0.0);  // the last iterate is written back
}

// Reads the parameters that nlBegin(NL_MATRIX) may resolve.
struct Resolved {
    NLint solver, preconditioner, max_iterations;
    double threshold;
};
Resolved resolved() {
    Resolved r{-1, -1, -1, -1.0};
    nlGetIntegerv(NL_SOLVER, &r.solver);
    nlGetIntegerv(NL_PRECONDITIONER, &r.preconditioner);
    nlGetIntegerv(NL_MAX_ITERATIONS, &r.max_iterations);
    nlGetDoublev(NL_THRESHOLD, &r.threshold);
    return r;
}

// 10 variables, 3 locked: 7 free.
void enter_matrix() {
    begin_system(10);
    for (NLuint i : {1u, 4u, 8u}) nlLockVariable(i);
    nlBegin(NL_MATRIX);
}

TEST_F(NlSolve, DefaultSolverResolvesToJacobiCgAtBeginMatrix) {
    Resolved before = resolved();
    EXPECT_EQ(before.solver, NL_SOLVER_DEFAULT);
    EXPECT_EQ(before.preconditioner, NL_PRECOND_NONE);
    EXPECT_EQ(before.max_iterations, 100);
    EXPECT_EQ(before.threshold, 1e-6);
    enter_matrix();
    Resolved after = resolved();
    EXPECT_EQ(after.solver, NL_CG);
    EXPECT_EQ(after.preconditioner, NL_PRECOND_JACOBI);
    EXPECT_EQ(after.max_iterations, 5 * 7);
    EXPECT_EQ(after.threshold, 1e-6);
}

TEST_F(NlSolve, SetParametersSurviveDefaultResolution) {
    nlSolverParameteri(NL_PRECONDITIONER, NL_PRECOND_NONE);
    nlSolverParameteri(NL_MAX_ITERATIONS, 7);
    nlSolverParameterd(NL_THRESHOLD, 1e-3);
    enter_matrix();
    Resolved r = resolved();
    EXPECT_EQ(r.solver, NL_CG);
    EXPECT_EQ(r.preconditioner, NL_PRECOND_NONE);
    EXPECT_EQ(r.max_iterations, 7);
    EXPECT_EQ(r.threshold, 1e-3);
}

TEST_F(NlSolve, ExplicitCgResolvesNothing) {
    nlSolverParameteri(NL_SOLVER, NL_CG);
    enter_matrix();
    Resolved r = resolved();
    EXPECT_EQ(r.solver, NL_CG);
    EXPECT_EQ(r.preconditioner, NL_PRECOND_NONE);
    EXPECT_EQ(r.max_iterations, 100);
}

TEST_F(NlSolve, LargeSystemUsesTheParallelPathAndConverges) {
    // Rows a . x = a . x_true on 60000 unknowns (above the threading limit):
    // the least-squares solution is x_true.
    const NLuint n = 60000;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.5, 1.5);
    std::vector<double> truth(n);
    for (double &t : truth) t = u(rng);
    nlSolverParameterd(NL_THRESHOLD, 1e-10);
    begin_system(static_cast<NLint>(n));
    lock(0, truth[0]);
    nlBegin(NL_MATRIX);
    for (NLuint i = 0; i + 1 < n; ++i) {
        const double a = 2.0 * u(rng), c = -u(rng) * 0.5;
        row({{i, a}, {i + 1, c}}, a * truth[i] + c * truth[i + 1]);
        row({{i + 1, 1.0}}, truth[i + 1]);
    }
    end_system();
    ASSERT_EQ(nlSolve(), NL_TRUE);
    double worst = 0.0;
    for (NLuint i = 0; i < n; ++i) worst = std::max(worst, std::fabs(nlGetVariable(i) - truth[i]));
    EXPECT_LT(worst, 1e-8);
}

}  // namespace
