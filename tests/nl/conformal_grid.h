// Systems shared by the solver tests: one solve in a fresh context, and
// the conformal rows of a lifted grid.
#pragma once

#include <cmath>
#include <functional>
#include <vector>

#include "nl_test_support.h"

namespace nl_test {

struct Result {
    NLboolean ok = NL_FALSE;
    std::vector<double> value;
    NLint iterations = -1;
    double error = -1.0;
};

// Builds and solves one system in a fresh context with the given solver,
// then makes `restore` current again. build() runs in SYSTEM (set and lock
// variables) and must call nlBegin(NL_MATRIX) and write the rows.
inline Result solve_with(NLenum solver, NLint n, const std::function<void()> &build, NLcontext restore,
                         double threshold = 1e-13) {
    NLcontext c = nlNewContext();
    nlSolverParameteri(NL_SOLVER, solver);
    nlSolverParameteri(NL_PRECONDITIONER, NL_PRECOND_JACOBI);
    nlSolverParameteri(NL_MAX_ITERATIONS, 20 * n);
    nlSolverParameterd(NL_THRESHOLD, threshold);
    begin_system(n);
    build();
    end_system();
    Result r;
    r.ok = nlSolve();
    for (NLint i = 0; i < n; ++i) r.value.push_back(nlGetVariable(NLuint(i)));
    nlGetIntegerv(NL_USED_ITERATIONS, &r.iterations);
    nlGetDoublev(NL_ERROR, &r.error);
    nlDeleteContext(c);
    nlMakeCurrent(restore);
    return r;
}

// The conformal rows of an n x n grid of squares over the unit square, each
// split into two triangles, lifted to z = height(x, y): point (i, j) is
// p = j (n + 1) + i with (u, v) in variables 2p, 2p + 1. Pins lock points
// to their (x, y).
struct Grid {
    int n;
    std::function<double(double, double)> height;
    std::vector<int> pins;

    NLint variables() const { return 2 * (n + 1) * (n + 1); }
    double x(int p) const { return double(p % (n + 1)) / n; }
    double y(int p) const { return double(p / (n + 1)) / n; }

    // Rows of triangle (a, b, c): z_c - z_a = w (z_b - z_a), w the complex
    // ratio of the triangle's own edges in its plane.
    void triangle(int a, int b, int c) const {
        const double pa[3] = {x(a), y(a), height(x(a), y(a))};
        const double pb[3] = {x(b), y(b), height(x(b), y(b))};
        const double pc[3] = {x(c), y(c), height(x(c), y(c))};
        double e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = pb[k] - pa[k];
            e2[k] = pc[k] - pa[k];
        }
        const double l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
        const double along = (e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2]) / l1;
        const double c1 = e1[1] * e2[2] - e1[2] * e2[1], c2 = e1[2] * e2[0] - e1[0] * e2[2],
                     c3 = e1[0] * e2[1] - e1[1] * e2[0];
        const double across = std::sqrt(c1 * c1 + c2 * c2 + c3 * c3) / l1;
        const double wr = along / l1, wi = across / l1;
        const NLuint ua = NLuint(2 * a), va = ua + 1, ub = NLuint(2 * b), vb = ub + 1, uc = NLuint(2 * c), vc = uc + 1;
        row({{uc, 1.0}, {ua, wr - 1.0}, {ub, -wr}, {va, -wi}, {vb, wi}});
        row({{vc, 1.0}, {va, wr - 1.0}, {vb, -wr}, {ua, wi}, {ub, -wi}});
    }

    // Locks the pins, opens the matrix and writes every triangle's rows.
    void build() const {
        for (int p : pins) {
            lock(NLuint(2 * p), x(p));
            lock(NLuint(2 * p + 1), y(p));
        }
        nlBegin(NL_MATRIX);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const int p = j * (n + 1) + i;
                triangle(p, p + 1, p + n + 2);
                triangle(p, p + n + 2, p + n + 1);
            }
        }
    }
};

inline double wavy(double x, double y) { return 0.3 * std::sin(3 * x) * std::cos(2 * y); }

}  // namespace nl_test
