// The normal-matrix builder and the conjugate gradient below the C API.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

#include "nl_cg.h"
#include "nl_matrix.h"

namespace {

// Random rows of 5 terms (repeats allowed) over n columns.
nl::RowList random_rows(NLuint n, size_t rows, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<NLuint> near(0, 40);
    nl::RowList list;
    for (size_t r = 0; r < rows; ++r) {
        const NLuint base = NLuint(r % n);
        for (int k = 0; k < 5; ++k) list.add(std::min<NLuint>(n - 1, base + (k ? near(rng) : 0)), u(rng));
        list.end_row();
    }
    return list;
}

TEST(NlNormalMatrix, IsSortedSymmetricAndEqualToTheSumOfRowProducts) {
    const NLuint n = 60;
    nl::RowList rows = random_rows(n, 150, 3);
    std::vector<double> dense(n * n, 0.0);
    for (size_t r = 0; r < rows.rows(); ++r) {
        for (size_t p = rows.row_begin(r); p < rows.row_end(r); ++p) {
            for (size_t q = rows.row_begin(r); q < rows.row_end(r); ++q) {
                dense[rows.column(p) * n + rows.column(q)] += rows.value(p) * rows.value(q);
            }
        }
    }
    const nl::CsrMatrix m = nl::build_normal_matrix(rows, n);
    std::vector<double> seen(n * n, 0.0);
    for (NLuint i = 0; i < n; ++i) {
        for (size_t k = m.row_start[i]; k < m.row_start[i + 1]; ++k) {
            if (k > m.row_start[i]) {
                EXPECT_LT(m.col[k - 1], m.col[k]);
            }
            seen[i * n + m.col[k]] = m.val[k];
        }
    }
    for (NLuint i = 0; i < n; ++i) {
        EXPECT_EQ(m.diagonal(i), seen[i * n + i]);
        for (NLuint j = 0; j < n; ++j) {
            EXPECT_NEAR(seen[i * n + j], dense[i * n + j], 1e-12);
            EXPECT_EQ(seen[i * n + j], seen[j * n + i]);
        }
    }
}

TEST(NlNormalMatrix, LowerTriangleHoldsExactlyTheEntriesOnAndBelowTheDiagonal) {
    const NLuint n = 60000;
    nl::RowList rows = random_rows(n, 3 * n, 11);
    const nl::CsrMatrix full = nl::build_normal_matrix(rows, n, 2);
    for (unsigned threads : {1u, 2u}) {
        const nl::CsrMatrix low = nl::build_normal_matrix(rows, n, threads, nl::Triangles::Lower);
        ASSERT_TRUE(low.lower);
        std::size_t k = 0;
        for (NLuint i = 0; i < n; ++i) {
            ASSERT_EQ(low.row_start[i], k);
            for (std::size_t f = full.row_start[i]; f < full.row_start[i + 1] && full.col[f] <= i; ++f, ++k) {
                ASSERT_EQ(low.col[k], full.col[f]);
                ASSERT_EQ(low.val[k], full.val[f]);
            }
            EXPECT_EQ(low.diagonal(i), full.diagonal(i));
        }
        EXPECT_EQ(low.row_start[n], k);
    }
    // The product reads the missing triangle from the stored one.
    const nl::CsrMatrix low = nl::build_normal_matrix(rows, n, 1, nl::Triangles::Lower);
    std::vector<double> x(n), y_full(n), y_low(n);
    for (NLuint i = 0; i < n; ++i) x[i] = std::sin(double(i));
    full.multiply(x.data(), y_full.data());
    low.multiply(x.data(), y_low.data());
    for (NLuint i = 0; i < n; ++i) ASSERT_NEAR(y_low[i], y_full[i], 1e-12 * (1.0 + std::fabs(y_full[i])));
    // The conjugate gradient needs both triangles and says so.
    std::vector<double> b(n, 1.0), x0(n, 0.0);
    EXPECT_THROW(nl::conjugate_gradient(low, b, x0, nl::CgOptions()), std::invalid_argument);
}

TEST(NlBuffer, GrowsCopiesAndMovesLikeAVector) {
    nl::Buffer<NLuint> a;
    EXPECT_TRUE(a.empty());
    for (NLuint i = 0; i < 100000; ++i) a.push_back(i * 7);
    ASSERT_EQ(a.size(), 100000u);
    for (NLuint i = 0; i < 100000; ++i) ASSERT_EQ(a[i], i * 7);
    nl::Buffer<NLuint> b = a;
    EXPECT_TRUE(b == a);
    b[5] = 1;
    EXPECT_FALSE(b == a);
    b.shrink_to(3);
    EXPECT_EQ(b.size(), 3u);
    nl::Buffer<NLuint> c = std::move(a);
    EXPECT_EQ(c.size(), 100000u);
    EXPECT_EQ(c[99999], 99999u * 7);
    c.resize_for_overwrite(200000);
    EXPECT_EQ(c[99999], 99999u * 7);  // kept entries survive the growth
    c.release();
    EXPECT_TRUE(c.empty());
    EXPECT_THROW(c.reserve(std::size_t(-1) / 2), std::bad_alloc);
}

TEST(NlConjugateGradient, TwoThreadsGiveBitIdenticalResults) {
    const NLuint n = 60000;
    nl::RowList rows = random_rows(n, 3 * n, 5);
    const nl::CsrMatrix m = nl::build_normal_matrix(rows, n);
    const nl::CsrMatrix m2 = nl::build_normal_matrix(rows, n, 2);
    EXPECT_EQ(m.row_start, m2.row_start);
    EXPECT_EQ(m.col, m2.col);
    EXPECT_EQ(m.val, m2.val);
    std::vector<double> b(n);
    for (NLuint i = 0; i < n; ++i) b[i] = double(i % 17) - 8.0;

    nl::CgOptions options;
    options.max_iterations = 5 * n;
    options.threshold = 1e-8;
    std::vector<double> x1(n, 0.0), x2(n, 0.0);
    const nl::CgOutcome one = nl::conjugate_gradient(m, b, x1, options);
    options.threads = 2;
    const nl::CgOutcome two = nl::conjugate_gradient(m, b, x2, options);

    ASSERT_TRUE(one.finite);
    ASSERT_TRUE(two.finite);
    EXPECT_LE(one.error, 1e-8);
    EXPECT_EQ(one.iterations, two.iterations);
    EXPECT_EQ(one.error, two.error);
    EXPECT_EQ(x1, x2);
}

}  // namespace
