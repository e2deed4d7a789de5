// The envelope factorisation: solutions of real and Hermitian systems on
// scattered numberings and several connected parts, refusal of singular
// and indefinite matrices and of profiles over the work limit.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "nl_envelope.h"

namespace {

using Complex = std::complex<double>;

// A Hermitian matrix by columns of its upper triangle (two doubles per
// entry when complex), and its dense form.
struct Upper {
    std::size_t n = 0;
    std::vector<int> start{0}, row;
    std::vector<double> x;
    std::vector<Complex> dense;
};

// The graph of an s by s grid, points numbered at random, split into parts
// grid columns apart, with block unknowns per point coupled with all of
// their own and their neighbours'; off-diagonal entries random, the
// diagonal their absolute sum plus shift (0: singular, a Laplacian when
// real).
Upper gridMatrix(int s, int parts, bool complex, double shift, unsigned seed, int block = 1) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.1, 1.0);
    Upper m;
    const std::size_t points = std::size_t(s * s), b = std::size_t(block);
    m.n = points * b;
    std::vector<int> label(points);
    for (std::size_t i = 0; i < points; ++i) label[i] = int(i);
    std::shuffle(label.begin(), label.end(), rng);
    m.dense.assign(m.n * m.n, 0.0);
    auto set = [&](std::size_t i, std::size_t j) {
        const Complex v(-u(rng), complex ? u(rng) - 0.5 : 0.0);
        m.dense[i * m.n + j] = v;
        m.dense[j * m.n + i] = std::conj(v);
    };
    auto link = [&](int p, int q) {
        for (std::size_t x = 0; x < b; ++x)
            for (std::size_t y = 0; y < b; ++y) set(std::size_t(label[std::size_t(p)]) * b + x, std::size_t(label[std::size_t(q)]) * b + y);
    };
    for (std::size_t p = 0; p < points; ++p)
        for (std::size_t x = 0; x < b; ++x)
            for (std::size_t y = 0; y < x; ++y) set(p * b + x, p * b + y);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const bool cut = parts > 1 && (x + 1) % (s / parts) == 0;
            if (x + 1 < s && !cut) link(y * s + x, y * s + x + 1);
            if (y + 1 < s) link(y * s + x, (y + 1) * s + x);
            if (x + 1 < s && y + 1 < s && !cut) link(y * s + x, (y + 1) * s + x + 1);
        }
    for (std::size_t i = 0; i < m.n; ++i) {
        double sum = shift;
        for (std::size_t j = 0; j < m.n; ++j) sum += std::abs(m.dense[i * m.n + j]);
        m.dense[i * m.n + i] = sum;
    }
    for (std::size_t j = 0; j < m.n; ++j) {
        for (std::size_t i = 0; i <= j; ++i) {
            const Complex v = m.dense[i * m.n + j];
            if (v == 0.0) continue;
            m.row.push_back(int(i));
            m.x.push_back(v.real());
            if (complex) m.x.push_back(v.imag());
        }
        m.start.push_back(int(m.row.size()));
    }
    return m;
}

TEST(EnvelopeCholesky, SolvesRealAndHermitianSystems) {
    struct Case {
        int side, parts;
        bool complex;
        int block;
    } cases[] = {{1, 1, false, 1},  {2, 1, true, 1},  {12, 1, false, 1}, {12, 1, true, 1},
                 {12, 3, false, 1}, {15, 5, true, 1}, {10, 2, false, 2}, {9, 1, true, 3}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " parts " << c.parts << " complex " << c.complex
                                        << " block " << c.block);
        const Upper m = gridMatrix(c.side, c.parts, c.complex, 0.01, 7, c.block);
        nl::EnvelopeCholesky e;
        ASSERT_TRUE(e.analyse(m.n, m.start.data(), m.row.data(), 1e9, c.complex, c.block));
        ASSERT_TRUE(e.factor(m.start.data(), m.row.data(), m.x.data(), 1e-11));
        const std::size_t w = c.complex ? 2 : 1;
        std::vector<double> b(w * m.n), x;
        for (std::size_t k = 0; k < b.size(); ++k) b[k] = std::sin(double(k) + 1.0);
        x = b;
        e.solve(x.data());
        double worst = 0.0;
        for (std::size_t i = 0; i < m.n; ++i) {
            Complex r = -Complex(b[w * i], c.complex ? b[w * i + 1] : 0.0);
            for (std::size_t j = 0; j < m.n; ++j)
                r += m.dense[i * m.n + j] * Complex(x[w * j], c.complex ? x[w * j + 1] : 0.0);
            worst = std::max(worst, std::abs(r));
        }
        EXPECT_LT(worst, 1e-10);
    }
}

TEST(EnvelopeCholesky, RefusesSingularIndefiniteAndTooWideSystems) {
    nl::EnvelopeCholesky e;
    // A Laplacian: its constant vector is in the kernel, so the last pivot
    // is roundoff only.
    const Upper singular = gridMatrix(10, 1, false, 0.0, 3);
    ASSERT_TRUE(e.analyse(singular.n, singular.start.data(), singular.row.data(), 1e9, false));
    EXPECT_FALSE(e.factor(singular.start.data(), singular.row.data(), singular.x.data(), 1e-11));
    EXPECT_FALSE(e.factored());
    // [1 2; 2 1] has a negative eigenvalue.
    const std::vector<int> start = {0, 1, 3}, row = {0, 0, 1};
    const std::vector<double> x = {1.0, 2.0, 1.0};
    ASSERT_TRUE(e.analyse(2, start.data(), row.data(), 1e9, false));
    EXPECT_FALSE(e.factor(start.data(), row.data(), x.data(), 1e-11));
    // A 20 x 20 grid's profile costs thousands of multiply-adds.
    const Upper wide = gridMatrix(20, 1, true, 1.0, 5);
    EXPECT_FALSE(e.analyse(wide.n, wide.start.data(), wide.row.data(), 1000.0, true));
    EXPECT_TRUE(e.analyse(wide.n, wide.start.data(), wide.row.data(), 1e9, true));
    EXPECT_GT(e.flops(), 1000.0);
}

}  // namespace
