// A dense reference for the nl tests: least squares by Gaussian
// elimination on the normal equations.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace nl_test {

// Minimises |A x - rhs|^2 over the free variables densely: normal equations
// solved by Gaussian elimination with partial pivoting.
inline std::vector<double> dense_least_squares(const std::vector<std::vector<double>> &a,
                                               const std::vector<double> &rhs, const std::vector<bool> &locked,
                                               const std::vector<double> &value) {
    const size_t n = value.size();
    std::vector<size_t> free;
    for (size_t i = 0; i < n; ++i) {
        if (!locked[i]) free.push_back(i);
    }
    const size_t m = free.size();
    std::vector<std::vector<double>> g(m, std::vector<double>(m + 1, 0.0));
    for (size_t r = 0; r < a.size(); ++r) {
        double b = rhs[r];
        for (size_t i = 0; i < n; ++i) {
            if (locked[i]) b -= a[r][i] * value[i];
        }
        for (size_t p = 0; p < m; ++p) {
            for (size_t q = 0; q < m; ++q) g[p][q] += a[r][free[p]] * a[r][free[q]];
            g[p][m] += a[r][free[p]] * b;
        }
    }
    for (size_t c = 0; c < m; ++c) {
        size_t pivot = c;
        for (size_t k = c + 1; k < m; ++k) {
            if (std::fabs(g[k][c]) > std::fabs(g[pivot][c])) pivot = k;
        }
        std::swap(g[c], g[pivot]);
        for (size_t k = c + 1; k < m; ++k) {
            const double f = g[k][c] / g[c][c];
            for (size_t j = c; j <= m; ++j) g[k][j] -= f * g[c][j];
        }
    }
    std::vector<double> x = value;
    for (size_t c = m; c-- > 0;) {
        double s = g[c][m];
        for (size_t j = c + 1; j < m; ++j) s -= g[c][j] * x[free[j]];
        x[free[c]] = s / g[c][c];
    }
    return x;
}

}  // namespace nl_test
