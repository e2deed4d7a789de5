// Repeated factorisations of one pattern: solutions against the matrix,
// block orderings, refactoring with new values, refusal of singular ones.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "nl_cholmod.h"

namespace {

// The lower triangle of the 2 x 2 block tridiagonal matrix of k blocks with
// diagonal blocks [d 1; 1 d] and off-diagonal blocks [-1 0.5; 0.5 -1].
nl::CsrMatrix blockTridiagonal(NLuint k, double d) {
    nl::CsrMatrix m;
    m.lower = true;
    m.n = 2 * k;
    m.row_start.assign(m.n + 1, 0);
    std::vector<std::pair<NLuint, double>> entries;
    for (NLuint i = 0; i < m.n; ++i) {
        const NLuint b = i / 2;
        entries.clear();
        if (b > 0) entries.insert(entries.end(), {{2 * b - 2, i % 2 ? 0.5 : -1.0}, {2 * b - 1, i % 2 ? -1.0 : 0.5}});
        if (i % 2) entries.push_back({i - 1, 1.0});
        entries.push_back({i, d});
        for (const auto &[c, v] : entries) {
            m.col.push_back(c);
            m.val.push_back(v);
        }
        m.row_start[i + 1] = m.col.size();
    }
    return m;
}

double residual(const nl::CsrMatrix &m, const std::vector<double> &x, const std::vector<double> &b) {
    std::vector<double> mx(m.n);
    m.multiply(x.data(), mx.data());
    double r = 0.0;
    for (NLuint i = 0; i < m.n; ++i) r = std::max(r, std::fabs(mx[i] - b[i]));
    return r;
}

}  // namespace

TEST(SparseCholesky, SolvesRefactorsAndRefusesSingularMatrices) {
    // 40 unknowns take the envelope factorisation, 6000 CHOLMOD's (ordered
    // on the blocks' graph when block is 2).
    for (NLuint k : {20u, 3000u})
        for (int block : {1, 2}) {
            nl::SparseCholesky chol;
            std::string why;
            std::vector<double> b(2 * k), x;
            for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::sin(double(i));
            // The same pattern with new values, as the Newton steps factor it.
            for (double d : {4.0, 6.0}) {
                const nl::CsrMatrix m = blockTridiagonal(k, d);
                ASSERT_TRUE(chol.factor(m, why, block)) << why;
                ASSERT_TRUE(chol.solve(b, x));
                EXPECT_LT(residual(m, x, b), 1e-12) << k << " " << block << " " << d;
            }
            // d = 1 makes the diagonal blocks [1 1; 1 1] singular and the
            // matrix indefinite.
            EXPECT_FALSE(chol.factor(blockTridiagonal(k, 1.0), why, block));
            EXPECT_FALSE(why.empty());
        }
}

TEST(SparseCholesky, FactorsAHermitianMatrixInComplexForm) {
    // Tridiagonal: d on the diagonal, -1 + 0.5i above it, its conjugate below.
    auto tridiagonal = [](NLuint n, double d) {
        nl::HermitianMatrix h;
        h.n = n;
        for (NLuint j = 0; j < n; ++j) {
            if (j > 0) {
                h.col.push_back(j - 1);
                h.val.push_back({-1.0, 0.5});
            }
            h.col.push_back(j);
            h.val.push_back(d);
            h.row_start.push_back(h.col.size());
        }
        return h;
    };
    const nl::HermitianMatrix h = tridiagonal(30, 4.0);
    std::vector<double> b(2 * h.n), x;
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = std::cos(double(i));
    nl::SparseCholesky chol;
    std::string why;
    ASSERT_TRUE(chol.factor(h, why)) << why;
    ASSERT_TRUE(chol.solve(b, x));
    ASSERT_EQ(x.size(), b.size());
    std::vector<std::complex<double>> z(h.n), hz(h.n);
    for (NLuint i = 0; i < h.n; ++i) z[i] = {x[2 * i], x[2 * i + 1]};
    h.multiply(z.data(), hz.data());
    for (NLuint i = 0; i < h.n; ++i) EXPECT_LT(std::abs(hz[i] - std::complex<double>(b[2 * i], b[2 * i + 1])), 1e-12);
    // With 2 on the diagonal the off-diagonal entries (|c| = 1.118) make it indefinite.
    nl::SparseCholesky other;
    EXPECT_FALSE(other.factor(tridiagonal(30, 2.0), why));
    EXPECT_FALSE(why.empty());
}
