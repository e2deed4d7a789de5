// Angle-based flattening, ABF++ form: Newton steps whose linear system is
// reduced, triangle by triangle, to the interior points' constraints.
#include "abf_angles.h"
#include <algorithm>
#include <cmath>
#include <nl_cholmod.h>

namespace {

/// Corners of the mesh grouped by point: the corners of point p are
/// corner[start[p] .. start[p + 1]), corner c being corner c % 3 of
/// triangle c / 3.
struct CornersByPoint {
    std::vector<int> start, corner;
    CornersByPoint(int n, const std::vector<int> &tris) : start(std::size_t(n) + 1, 0), corner(tris.size()) {
        for (int p : tris) ++start[std::size_t(p) + 1];
        for (int p = 0; p < n; ++p) start[std::size_t(p) + 1] += start[std::size_t(p)];
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t c = 0; c < tris.size(); ++c) corner[std::size_t(fill[std::size_t(tris[c])]++)] = int(c);
    }
};

int nextPoint(const std::vector<int> &tris, int c) { return tris[std::size_t(c - c % 3 + (c + 1) % 3)]; }
int prevPoint(const std::vector<int> &tris, int c) { return tris[std::size_t(c - c % 3 + (c + 2) % 3)]; }

/// Whether the triangles of p close exactly one fan around it: from each
/// corner, the edge to the next point is shared with exactly one other
/// corner of p, and walking those edges visits every corner once.
bool isInterior(int p, const CornersByPoint &cp, const std::vector<int> &tris) {
    const int b = cp.start[std::size_t(p)], e = cp.start[std::size_t(p) + 1];
    if (e - b < 3) return false;
    int cur = cp.corner[std::size_t(b)], visited = 0;
    do {
        const int n = nextPoint(tris, cur);
        if (n == p || prevPoint(tris, cur) == p) return false;  // a triangle that repeats p
        int found = -1;
        for (int k = b; k < e; ++k) {
            if (prevPoint(tris, cp.corner[std::size_t(k)]) != n) continue;
            if (found >= 0) return false;  // the edge has more than two triangles
            found = cp.corner[std::size_t(k)];
        }
        if (found < 0) return false;  // a boundary edge
        cur = found;
        ++visited;
    } while (cur != cp.corner[std::size_t(b)] && visited <= e - b);
    return visited == e - b;
}

/// The lower triangle of the reduced matrix: unknowns 2k (angle sum) and
/// 2k + 1 (wheel condition) of interior point k couple with those of every
/// interior point sharing a triangle with it.
nl::CsrMatrix reducedPattern(const std::vector<int> &interior, const CornersByPoint &cp, const std::vector<int> &tris) {
    nl::CsrMatrix m;
    m.lower = true;
    std::vector<int> points;  // interior points by number, for the order of their unknowns
    for (std::size_t p = 0; p < interior.size(); ++p)
        if (interior[p] >= 0) points.push_back(int(p));
    m.n = NLuint(2 * points.size());
    m.row_start.assign(std::size_t(m.n) + 1, 0);
    std::vector<int> near;
    std::size_t nnz = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            m.col.resize_for_overwrite(nnz);
            m.val.resize_for_overwrite(nnz);
        }
        nnz = 0;
        for (std::size_t k = 0; k < points.size(); ++k) {
            const int p = points[k];
            near.clear();
            for (int j = cp.start[std::size_t(p)]; j < cp.start[std::size_t(p) + 1]; ++j) {
                const int c = cp.corner[std::size_t(j)];
                for (int q : {p, nextPoint(tris, c), prevPoint(tris, c)})
                    if (interior[std::size_t(q)] >= 0 && interior[std::size_t(q)] <= int(k)) near.push_back(interior[std::size_t(q)]);
            }
            std::sort(near.begin(), near.end());
            near.erase(std::unique(near.begin(), near.end()), near.end());
            for (int row = 0; row < 2; ++row) {
                const NLuint g = NLuint(2 * k + std::size_t(row));
                for (int q : near)
                    for (NLuint cc = NLuint(2 * q); cc <= NLuint(2 * q + 1) && cc <= g; ++cc) {
                        if (pass == 1) m.col[nnz] = cc;
                        ++nnz;
                    }
                if (pass == 1) m.row_start[std::size_t(g) + 1] = nnz;
            }
        }
    }
    return m;
}

/// Position of entry (row, col) in m; the pattern holds it.
std::size_t entry(const nl::CsrMatrix &m, NLuint row, NLuint col) {
    const NLuint *b = m.col.data() + m.row_start[row], *e = m.col.data() + m.row_start[std::size_t(row) + 1];
    return std::size_t(std::lower_bound(b, e, col) - m.col.data());
}

AbfResult fail(AbfResult r, const char *reason) {
    r.converged = false;
    r.reason = reason;
    return r;
}

} // namespace

AbfResult abfAngles(int n, const std::vector<int> &tris, const std::vector<float> &surface,
                    std::vector<float> &angles, const AbfOptions &opt) {
    AbfResult res;
    angles.clear();
    const std::size_t nt = tris.size() / 3;
    if (n <= 0 || nt == 0 || tris.size() != 3 * nt || surface.size() != tris.size()) return fail(res, "no triangles");
    for (int p : tris)
        if (p < 0 || p >= n) return fail(res, "a triangle names a point that does not exist");
    for (float a : surface)
        if (!std::isfinite(a)) return fail(res, "an angle is not a number");

    const CornersByPoint cp(n, tris);
    std::vector<int> interior(std::size_t(n), -1);
    int ni = 0;
    for (int p = 0; p < n; ++p)
        if (isInterior(p, cp, tris)) interior[std::size_t(p)] = ni++;
    auto unknown = [&](std::size_t c, int row) { return interior[std::size_t(tris[c])] < 0 ? -1 : 2 * interior[std::size_t(tris[c])] + row; };

    // Optimal angles: the surface's, scaled to 2 pi around interior points.
    const double pi = M_PI, lo = opt.minAngle, hi = pi - opt.minAngle;
    std::vector<double> sum(std::size_t(n), 0.0);
    for (std::size_t c = 0; c < tris.size(); ++c) sum[std::size_t(tris[c])] += surface[c];
    std::vector<double> beta(tris.size()), alpha(tris.size()), w(tris.size());
    for (std::size_t c = 0; c < tris.size(); ++c) {
        double b = surface[c];
        const double s = sum[std::size_t(tris[c])];
        if (interior[std::size_t(tris[c])] >= 0 && s > 0.0) b *= 2.0 * pi / s;
        beta[c] = alpha[c] = std::clamp(b, lo, hi);
        w[c] = 1.0 / (beta[c] * beta[c]);
    }

    nl::CsrMatrix m = reducedPattern(interior, cp, tris);
    std::vector<double> lambdaTri(nt, 0.0), lambdaV(m.n, 0.0), cot(tris.size()), rhs(m.n), dl(m.n), bTri(tris.size());
    std::vector<double> r(nt);
    double lastStep = INFINITY;
    for (int it = 0;; ++it) {
        res.iterations = it;
        // Constraint residuals at the current angles.
        std::vector<double> cv(m.n, 0.0);
        double worst = 0.0;
        for (std::size_t c = 0; c < tris.size(); ++c) {
            const double a = alpha[c];
            if (!(a > 0.0 && a < pi)) return fail(res, "an angle left (0, pi)");
            cot[c] = std::cos(a) / std::sin(a);
            const double ls = std::log(std::sin(a));
            const int s = unknown(c, 0);
            if (s >= 0) cv[std::size_t(s)] += a;
            // Corner c is the next corner of the corner before it, and the
            // previous corner of the corner after it.
            const std::size_t t0 = c - c % 3;
            const int wn = unknown(t0 + (c + 2) % 3, 1), wp = unknown(t0 + (c + 1) % 3, 1);
            if (wn >= 0) cv[std::size_t(wn)] += ls;
            if (wp >= 0) cv[std::size_t(wp)] -= ls;
        }
        for (NLuint k = 0; k < m.n; k += 2) cv[k] -= 2.0 * pi;
        for (double v : cv) worst = std::max(worst, std::fabs(v));
        for (std::size_t t = 0; t < nt; ++t) {
            r[t] = alpha[3 * t] + alpha[3 * t + 1] + alpha[3 * t + 2] - pi;
            worst = std::max(worst, std::fabs(r[t]));
        }
        res.residual = worst;
        if (!std::isfinite(worst)) return fail(res, "the constraints are not finite");
        if (worst <= opt.tolerance && lastStep <= opt.tolerance) break;
        if (it >= opt.maxIterations) return fail(res, "no convergence within the step limit");
        if (opt.interrupted && opt.interrupted(it)) {
            res.interrupted = true;
            return fail(res, "interrupted");
        }

        // Per triangle: with D = diag(1 / 2w), the angles' block inverted, and
        // P = D - D 1 1^T D / sum(D), the triangle constraint eliminated, the
        // triangle adds A P A^T to the reduced matrix, A being the rows of its
        // points' constraints over its three angles.
        std::fill(m.val.begin(), m.val.end(), 0.0);
        for (NLuint k = 0; k < m.n; ++k) rhs[k] = cv[k];
        for (std::size_t t = 0; t < nt; ++t) {
            const std::size_t c0 = 3 * t;
            double d[3], b[3], A[6][3] = {}, P[3][3];
            int g[6];
            double dsum = 0.0, db = 0.0;
            for (int i = 0; i < 3; ++i) {
                const std::size_t c = c0 + std::size_t(i);
                d[i] = 0.5 / w[c];
                // Minus the gradient of the Lagrangian in this angle.
                double grad = 2.0 * w[c] * (alpha[c] - beta[c]) + lambdaTri[t];
                const int s = unknown(c, 0);
                if (s >= 0) grad += lambdaV[std::size_t(s)];
                const int wn = unknown(c0 + std::size_t((i + 2) % 3), 1), wp = unknown(c0 + std::size_t((i + 1) % 3), 1);
                if (wn >= 0) grad += lambdaV[std::size_t(wn)] * cot[c];
                if (wp >= 0) grad -= lambdaV[std::size_t(wp)] * cot[c];
                b[i] = -grad;
                bTri[c] = b[i];
                dsum += d[i];
                db += d[i] * b[i];
            }
            // Right-hand side of the triangle's multiplier, then A's rows.
            const double rt = db + r[t];
            for (int j = 0; j < 3; ++j) {
                g[2 * j] = unknown(c0 + std::size_t(j), 0);
                g[2 * j + 1] = unknown(c0 + std::size_t(j), 1);
                A[2 * j][j] = 1.0;
                A[2 * j + 1][(j + 1) % 3] = cot[c0 + std::size_t((j + 1) % 3)];
                A[2 * j + 1][(j + 2) % 3] = -cot[c0 + std::size_t((j + 2) % 3)];
            }
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) P[i][j] = (i == j ? d[i] : 0.0) - d[i] * d[j] / dsum;
            double q[3];
            for (int i = 0; i < 3; ++i) q[i] = d[i] * b[i] - d[i] * rt / dsum;
            double AP[6][3];
            for (int a = 0; a < 6; ++a)
                for (int j = 0; j < 3; ++j) AP[a][j] = A[a][0] * P[0][j] + A[a][1] * P[1][j] + A[a][2] * P[2][j];
            for (int a = 0; a < 6; ++a) {
                if (g[a] < 0) continue;
                rhs[std::size_t(g[a])] += A[a][0] * q[0] + A[a][1] * q[1] + A[a][2] * q[2];
                for (int e = 0; e < 6; ++e) {
                    if (g[e] < 0 || g[e] > g[a]) continue;
                    const double v = AP[a][0] * A[e][0] + AP[a][1] * A[e][1] + AP[a][2] * A[e][2];
                    m.val[entry(m, NLuint(g[a]), NLuint(g[e]))] += v;
                }
            }
        }
        if (m.n > 0) {
            std::fill(dl.begin(), dl.end(), 0.0);
            const nl::CholeskyOutcome out = nl::cholesky_solve(m, rhs, dl, false);
            if (!out.solved) return fail(res, "the reduced system is singular");
        }

        // Back-substitution: the triangles' multipliers, then the angles.
        double step = 0.0;
        for (std::size_t t = 0; t < nt; ++t) {
            const std::size_t c0 = 3 * t;
            double atl[3], dsum = 0.0, dbt = 0.0;
            for (int i = 0; i < 3; ++i) {
                const std::size_t c = c0 + std::size_t(i);
                // (A^T dl) at corner i.
                double v = 0.0;
                const int s = unknown(c, 0);
                if (s >= 0) v += dl[std::size_t(s)];
                const int wn = unknown(c0 + std::size_t((i + 2) % 3), 1), wp = unknown(c0 + std::size_t((i + 1) % 3), 1);
                if (wn >= 0) v += dl[std::size_t(wn)] * cot[c];
                if (wp >= 0) v -= dl[std::size_t(wp)] * cot[c];
                atl[i] = v;
                const double d = 0.5 / w[c];
                dsum += d;
                dbt += d * (bTri[c] - v);
            }
            const double dlt = (dbt + r[t]) / dsum;
            lambdaTri[t] += dlt;
            for (int i = 0; i < 3; ++i) {
                const std::size_t c = c0 + std::size_t(i);
                const double da = 0.5 / w[c] * (bTri[c] - dlt - atl[i]);
                alpha[c] += da;
                step = std::max(step, std::fabs(da));
            }
        }
        for (NLuint k = 0; k < m.n; ++k) lambdaV[k] += dl[k];
        lastStep = step;
    }
    res.converged = true;
    angles.assign(alpha.begin(), alpha.end());
    return res;
}
