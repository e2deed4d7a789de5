// The normal-matrix builder and the conjugate gradient below the C API.
#include <gtest/gtest.h>

#include <random>
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
