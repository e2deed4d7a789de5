// The direct solver's Hermitian form: systems of complex equations written
// as pairs of real rows are factored at half size and give the real
// form's answer; anything that only looks paired goes the real way.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "conformal_grid.h"
#include "nl_cholmod.h"
#include "nl_matrix.h"
#include "nl_test_support.h"

namespace {

using cplx = std::complex<double>;

// Least squares over n complex unknowns z_k = x[2k] + i x[2k+1]: random
// complex equations of three unknowns, each written as its real and its
// imaginary row, plus one light equation per unknown to make the normal
// matrix definite.
struct ComplexSystem {
    nl::RowList rows;
    nl::CsrMatrix m;
    std::vector<double> b;

    explicit ComplexSystem(NLuint n, unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        std::uniform_int_distribution<NLuint> pick(0, n - 1);
        std::vector<double> rhs;
        b.assign(2 * n, 0.0);
        auto equation = [&](const std::vector<std::pair<NLuint, cplx>> &terms, cplx r) {
            // Re(sum c z) = Re r, Im(sum c z) = Im r
            for (int part = 0; part < 2; ++part) {
                for (const auto &[k, c] : terms) {
                    rows.add(2 * k, part ? c.imag() : c.real());
                    rows.add(2 * k + 1, part ? c.real() : -c.imag());
                }
                rows.end_row();
                rhs.push_back(part ? r.imag() : r.real());
            }
        };
        for (NLuint e = 0; e < 3 * n; ++e) {
            const NLuint a = pick(rng), c = pick(rng), d = pick(rng);
            equation({{a, {u(rng), u(rng)}}, {c, {u(rng), u(rng)}}, {d, {u(rng), u(rng)}}}, {u(rng), u(rng)});
        }
        for (NLuint k = 0; k < n; ++k) equation({{k, {0.1, 0.0}}}, {0.0, 0.0});
        m = nl::build_normal_matrix(rows, 2 * n);
        for (std::size_t r = 0; r < rows.rows(); ++r) {
            for (std::size_t t = rows.row_begin(r); t < rows.row_end(r); ++t) {
                b[rows.column(t)] += rows.value(t) * rhs[r];
            }
        }
    }
};

double worst_difference(const std::vector<double> &a, const std::vector<double> &b) {
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

TEST(NlCholmodComplex, PairedRowsSolveInHermitianFormAsTheRealFormDoes) {
    const ComplexSystem s(300, 5);
    std::vector<double> hermitian(s.b.size(), 0.0), real(s.b.size(), 0.0);
    const nl::CholeskyOutcome h = nl::cholesky_solve(s.m, s.b, hermitian, true);
    const nl::CholeskyOutcome r = nl::cholesky_solve(s.m, s.b, real, false);
    ASSERT_TRUE(h.solved) << h.reason;
    ASSERT_TRUE(r.solved) << r.reason;
    EXPECT_TRUE(h.complex);
    EXPECT_FALSE(r.complex);
    EXPECT_LT(worst_difference(hermitian, real), 1e-9);
    EXPECT_LT(h.error, 1e-12);
}

TEST(NlCholmodComplex, TheLowerTriangleAloneGivesTheAnswerOfBoth) {
    const ComplexSystem s(300, 7);
    const nl::CsrMatrix lower = nl::build_normal_matrix(s.rows, s.m.n, 2, nl::Triangles::Lower);
    ASSERT_TRUE(lower.lower);
    for (bool complex : {true, false}) {
        std::vector<double> full(s.b.size(), 0.0), half(s.b.size(), 0.0);
        const nl::CholeskyOutcome a = nl::cholesky_solve(s.m, s.b, full, complex);
        const nl::CholeskyOutcome c = nl::cholesky_solve(lower, s.b, half, complex);
        ASSERT_TRUE(a.solved && c.solved) << a.reason << c.reason;
        EXPECT_EQ(c.complex, complex);
        EXPECT_LT(worst_difference(full, half), 1e-12);
        EXPECT_NEAR(c.error, a.error, 1e-13);
    }
}

TEST(NlCholmodComplex, SystemsThatOnlyLookPairedTakeTheRealForm) {
    ComplexSystem s(200, 9);
    // Entry (0, 0) no longer equals (1, 1): not a complex system any more,
    // though still symmetric positive definite.
    for (std::size_t k = s.m.row_start[0]; k < s.m.row_start[1]; ++k) {
        if (s.m.col[k] == 0) s.m.val[k] *= 1.001;
    }
    std::vector<double> x(s.b.size(), 0.0), real(s.b.size(), 0.0);
    const nl::CholeskyOutcome out = nl::cholesky_solve(s.m, s.b, x, true);
    ASSERT_TRUE(out.solved) << out.reason;
    EXPECT_FALSE(out.complex);
    EXPECT_LT(out.error, 1e-12);
    ASSERT_TRUE(nl::cholesky_solve(s.m, s.b, real, false).solved);
    EXPECT_EQ(x, real);

    // An odd number of unknowns cannot pair up at all.
    nl::RowList rows;
    for (NLuint i = 0; i < 3; ++i) {
        rows.add(i, 1.0);
        rows.end_row();
    }
    const nl::CsrMatrix odd = nl::build_normal_matrix(rows, 3);
    std::vector<double> y(3, 0.0);
    const nl::CholeskyOutcome o = nl::cholesky_solve(odd, {1.0, 2.0, 3.0}, y, true);
    ASSERT_TRUE(o.solved);
    EXPECT_FALSE(o.complex);
    EXPECT_EQ(y, (std::vector<double>{1.0, 2.0, 3.0}));
}

TEST(NlCholmodComplex, HermitianMatrixBuiltFromPairedRowsIsTheRealOneInComplexForm) {
    const ComplexSystem s(250, 11);
    nl::ComplexRows z;
    ASSERT_TRUE(nl::pair_complex_rows(s.rows, z));
    const nl::HermitianMatrix h = nl::build_hermitian_normal_matrix(z, s.m.n / 2, 2);
    const nl::CsrMatrix expanded = nl::real_lower_triangle(h);
    const nl::CsrMatrix lower = nl::build_normal_matrix(s.rows, s.m.n, 1, nl::Triangles::Lower);
    ASSERT_EQ(expanded.row_start, lower.row_start);
    for (std::size_t k = 0; k < lower.col.size(); ++k) {
        ASSERT_EQ(expanded.col[k], lower.col[k]);
        EXPECT_NEAR(expanded.val[k], lower.val[k], 1e-12);
    }
    std::vector<double> x(s.b.size(), 0.0), real(s.b.size(), 0.0);
    const nl::CholeskyOutcome out = nl::cholesky_solve_hermitian(h, s.b, x);
    ASSERT_TRUE(out.solved) << out.reason;
    EXPECT_TRUE(out.complex);
    ASSERT_TRUE(nl::cholesky_solve(s.m, s.b, real, false).solved);
    EXPECT_LT(worst_difference(x, real), 1e-9);

    // One coefficient off its partner's breaks the pairing.
    nl::RowList broken;
    broken.add(0, 1.0);
    broken.add(1, 2.0);
    broken.end_row();
    broken.add(0, -2.0);
    broken.add(1, 1.5);
    broken.end_row();
    EXPECT_FALSE(nl::pair_complex_rows(broken, z));
}

using NlCholmodPairing = NlTest;

// An elimination order handed in (the variables backwards, pins among
// them) changes the factor, not the answer: in complex form, and in real
// form with one real row among the pairs.
TEST_F(NlCholmodPairing, AGivenEliminationOrderGivesTheSameAnswer) {
    const nl_test::Grid grid{75, nl_test::wavy, {0, 75 * 76 + 75}};  // 5776 points: past the envelope factorisation
    const NLint n = grid.variables();
    std::vector<NLuint> backwards(static_cast<std::size_t>(n));
    for (NLint i = 0; i < n; ++i) backwards[std::size_t(i)] = NLuint(n - 1 - i);
    for (bool real : {false, true}) {
        auto build = [&](const NLuint *order) {
            return [&, order] {
                nlSetEliminationOrder(order);
                grid.build();
                if (real) row({{NLuint(2 * 40), 0.5}}, 0.1);
            };
        };
        const nl_test::Result own = nl_test::solve_with(NL_CHOLMOD_EXT, n, build(nullptr), ctx_);
        const nl_test::Result given = nl_test::solve_with(NL_CHOLMOD_EXT, n, build(backwards.data()), ctx_);
        ASSERT_TRUE(own.ok && given.ok) << real;
        EXPECT_LT(worst_difference(own.value, given.value), 1e-9) << real;
    }
}

// A real row among the complex pairs (first, in the middle or last) puts
// the system back in real form; the answer is the conjugate gradient's.
TEST_F(NlCholmodPairing, ARealRowAnywhereGivesTheSameAnswerAsTheIteration) {
    const nl_test::Grid grid{12, nl_test::wavy, {0, 12 * 13 + 12}};
    for (int where : {0, 77, 1000}) {
        auto build = [&] {
            for (int p : grid.pins) {
                lock(NLuint(2 * p), grid.x(p));
                lock(NLuint(2 * p + 1), grid.y(p));
            }
            nlBegin(NL_MATRIX);
            int written = 0;
            auto extra = [&] {
                if (written++ == where) row({{NLuint(2 * 40), 0.5}}, 0.1);
            };
            for (int j = 0; j < grid.n; ++j) {
                for (int i = 0; i < grid.n; ++i) {
                    const int p = j * (grid.n + 1) + i;
                    extra();
                    grid.triangle(p, p + 1, p + grid.n + 2);
                    grid.triangle(p, p + grid.n + 2, p + grid.n + 1);
                }
            }
            if (written <= where) row({{NLuint(2 * 40), 0.5}}, 0.1);
        };
        const nl_test::Result direct = nl_test::solve_with(NL_CHOLMOD_EXT, grid.variables(), build, ctx_);
        const nl_test::Result cg = nl_test::solve_with(NL_CG, grid.variables(), build, ctx_, 1e-14);
        ASSERT_EQ(direct.ok, NL_TRUE) << where;
        ASSERT_EQ(cg.ok, NL_TRUE) << where;
        EXPECT_LT(worst_difference(direct.value, cg.value), 1e-9) << where;
    }
}

TEST(NlCholmodComplex, SingularHermitianSystemIsRefused) {
    // Every equation is z_a - z_c = 0: constant layouts lie in the null
    // space, exactly as in a conformal map without pins.
    nl::RowList rows;
    const NLuint n = 50;
    for (NLuint k = 0; k + 1 < n; ++k) {
        for (int part = 0; part < 2; ++part) {
            rows.add(2 * k + part, 1.0);
            rows.add(2 * (k + 1) + part, -1.0);
            rows.end_row();
        }
    }
    const nl::CsrMatrix m = nl::build_normal_matrix(rows, 2 * n);
    std::vector<double> b(2 * n, 0.0), x(2 * n, 0.5);
    b[0] = 1.0;
    b[2] = -1.0;
    const nl::CholeskyOutcome out = nl::cholesky_solve(m, b, x, true);
    EXPECT_FALSE(out.solved);
    EXPECT_NE(out.reason.find("singular"), std::string::npos) << out.reason;
    EXPECT_EQ(x, std::vector<double>(2 * n, 0.5));
}

}  // namespace
