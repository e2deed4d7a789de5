// Angle-based flattening, ABF++ form: Newton steps whose linear system is
// reduced, triangle by triangle, to the interior points' constraints.
#include "abf_angles.h"
#include <algorithm>
#include <cmath>
#include <future>
#include <set>
#include <system_error>
#include <nl_cholmod.h>

namespace {

/// Corners of the mesh grouped by point: the corners of point p are
/// corner[start[p] .. start[p + 1]), corner c being corner c % 3 of
/// triangle c / 3; next and prev hold, per slot, the points after and
/// before that corner in its triangle, so that fans are searched without
/// going back to the triangles.
struct CornersByPoint {
    std::vector<int> start, corner, next, prev;
    CornersByPoint(int n, const std::vector<int> &tris)
        : start(std::size_t(n) + 1, 0), corner(tris.size()), next(tris.size()), prev(tris.size()) {
        for (int p : tris) ++start[std::size_t(p) + 1];
        for (int p = 0; p < n; ++p) start[std::size_t(p) + 1] += start[std::size_t(p)];
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t t = 0; t < tris.size(); t += 3)
            for (std::size_t i = 0; i < 3; ++i) {
                const std::size_t slot = std::size_t(fill[std::size_t(tris[t + i])]++);
                corner[slot] = int(t + i);
                next[slot] = tris[t + (i + 1) % 3];
                prev[slot] = tris[t + (i + 2) % 3];
            }
    }
    int begin(int p) const { return start[std::size_t(p)]; }
    int end(int p) const { return start[std::size_t(p) + 1]; }
};

/// Whether the triangles of p close exactly one fan around it: from each
/// corner, the edge to the next point is shared with exactly one other
/// corner of p, and walking those edges visits every corner once.
bool isInterior(int p, const CornersByPoint &cp) {
    const int b = cp.begin(p), e = cp.end(p);
    if (e - b < 3) return false;
    int cur = b, visited = 0;
    do {
        const int n = cp.next[std::size_t(cur)];
        if (n == p || cp.prev[std::size_t(cur)] == p) return false;  // a triangle that repeats p
        // Exactly one corner of p must come after n: none is a boundary
        // edge, several an edge of more than two triangles. Counted without
        // branches, which a fan's few corners would mispredict.
        int found = b, count = 0;
        for (int k = b; k < e; ++k) {
            const bool match = cp.prev[std::size_t(k)] == n;
            count += match;
            found = match ? k : found;
        }
        if (count != 1) return false;
        cur = found;
        ++visited;
    } while (cur != b && visited <= e - b);
    return visited == e - b;
}

/// For every interior point k, the interior points it shares a triangle
/// with, itself included, numbered at most k: near[start[k] ..
/// start[k + 1]), in increasing order.
struct NearPoints {
    std::vector<int> start{0}, near;
    NearPoints(const std::vector<int> &interior, const CornersByPoint &cp, const std::vector<int> &tris) {
        near.reserve(4 * tris.size() / 3);  // about 3.5 per interior point: half its neighbours and itself
        for (std::size_t p = 0; p < interior.size(); ++p) {
            const int k = interior[p];
            if (k < 0) continue;
            // An interior point's triangles close one fan: each neighbour is
            // the next point of exactly one of its corners. Insertion sort
            // keeps the handful in order.
            const std::size_t from = near.size();
            for (int j = cp.start[p]; j < cp.start[p + 1]; ++j) {
                const int q = interior[std::size_t(cp.next[std::size_t(j)])];
                if (q < 0 || q >= k) continue;
                std::size_t at = near.size();
                near.push_back(q);
                for (; at > from && near[at - 1] > q; --at) near[at] = near[at - 1];
                near[at] = q;
            }
            near.push_back(k);
            start.push_back(int(near.size()));
        }
    }
    /// Where q (<= k) stands among the near points of k.
    int rank(int k, int q) const {
        const int *b = near.data() + start[std::size_t(k)];
        return int(std::find(b, near.data() + start[std::size_t(k) + 1], q) - b);
    }
};

/// The graph of all points (those of the holes' virtual triangles too) as
/// an upper triangle by columns: column p lists the points sharing a
/// triangle with p and numbered below it, then p, in rows[start[p] ..
/// start[p + 1]).
void pointGraph(const CornersByPoint &cp, std::vector<int> &start, std::vector<int> &rows) {
    const std::size_t n = cp.start.size() - 1;
    start.assign(n + 1, 0);
    rows.clear();
    rows.reserve(cp.corner.size() + n);
    for (std::size_t p = 0; p < n; ++p) {
        const std::size_t from = rows.size();
        for (int j = cp.start[p]; j < cp.start[p + 1]; ++j)
            for (int q : {cp.next[std::size_t(j)], cp.prev[std::size_t(j)]}) {
                if (q >= int(p)) continue;
                // Insertion into the handful kept in order, without repeats.
                std::size_t at = rows.size();
                while (at > from && rows[at - 1] > q) --at;
                if (at > from && rows[at - 1] == q) continue;
                rows.insert(rows.begin() + long(at), q);
            }
        rows.push_back(int(p));
        start[p + 1] = int(rows.size());
    }
}

/// The lower triangle of the reduced matrix: unknowns 2k (angle sum) and
/// 2k + 1 (wheel condition) of interior point k couple with those of every
/// interior point sharing a triangle with it. Row 2k holds columns 2q and
/// 2q + 1 of every near point q < k, then 2k; row 2k + 1 the same and 2k + 1.
nl::CsrMatrix reducedPattern(const NearPoints &np) {
    nl::CsrMatrix m;
    m.lower = true;
    const std::size_t points = np.start.size() - 1;
    m.n = NLuint(2 * points);
    m.row_start.assign(std::size_t(m.n) + 1, 0);
    for (std::size_t k = 0; k < points; ++k) {
        const std::size_t count = std::size_t(np.start[k + 1] - np.start[k]);
        m.row_start[2 * k + 1] = m.row_start[2 * k] + 2 * count - 1;
        m.row_start[2 * k + 2] = m.row_start[2 * k + 1] + 2 * count;
    }
    m.col.resize_for_overwrite(m.row_start.back());
    m.val.resize_for_overwrite(m.row_start.back());
    for (std::size_t k = 0; k < points; ++k)
        for (int row = 0; row < 2; ++row) {
            std::size_t e = m.row_start[2 * k + std::size_t(row)];
            for (int j = np.start[k]; j < np.start[k + 1]; ++j) {
                const NLuint q = NLuint(np.near[std::size_t(j)]);
                m.col[e++] = 2 * q;
                if (q != k || row == 1) m.col[e++] = 2 * q + 1;
            }
        }
    return m;
}

/// Whether some corner at n has p next, that is, the edge p -> n has a
/// triangle on its other side.
bool hasTwin(int p, int n, const CornersByPoint &cp) {
    for (int k = cp.begin(n); k < cp.end(n); ++k)
        if (cp.next[std::size_t(k)] == p) return true;
    return false;
}

/// Inner angle at b of the 3D points a, b, c; a right angle when an edge
/// has no length.
double angleAt(const double *a, const double *b, const double *c) {
    double u[3], v[3], uu = 0, vv = 0, uv = 0;
    for (int i = 0; i < 3; ++i) {
        u[i] = a[i] - b[i];
        v[i] = c[i] - b[i];
        uu += u[i] * u[i];
        vv += v[i] * v[i];
        uv += u[i] * v[i];
    }
    if (!(uu > 0.0 && vv > 0.0)) return 0.5 * M_PI;
    return std::acos(std::clamp(uv / std::sqrt(uu * vv), -1.0, 1.0));
}

/// Triangles that close every boundary loop but the longest (the outer
/// one), appended to tris with their surface angles. The loops are cut by
/// ears, the sharpest corner first. Without them the angle constraints
/// would hold around each hole's points only one triangle fan at a time,
/// and a hole's outline need not close in the plane. Loops through a point
/// with two boundary edges leaving it are left open. cp groups the corners
/// of tris as given; true when triangles were added (and cp is stale).
bool fillHoles(const std::vector<double> &pos, const CornersByPoint &cp, std::vector<int> &tris,
               std::vector<float> &surface) {
    const int n = int(pos.size() / 3);
    const std::size_t given = tris.size();
    std::vector<int> out(std::size_t(n), -1);  // the boundary edge leaving each point
    std::vector<bool> twice(std::size_t(n), false);
    for (int p = 0; p < n; ++p)
        for (int k = cp.begin(p); k < cp.end(p); ++k) {
            const int q = cp.next[std::size_t(k)];
            if (hasTwin(p, q, cp)) continue;
            if (out[std::size_t(p)] >= 0) twice[std::size_t(p)] = true;
            out[std::size_t(p)] = q;
        }
    std::vector<std::vector<int>> loops;
    std::vector<double> length;
    std::vector<bool> seen(std::size_t(n), false);
    for (int p = 0; p < n; ++p) {
        if (out[std::size_t(p)] < 0 || seen[std::size_t(p)]) continue;
        std::vector<int> loop;
        bool good = true;
        double len = 0.0;
        int q = p;
        do {
            if (seen[std::size_t(q)] || twice[std::size_t(q)] || out[std::size_t(q)] < 0) good = false;
            if (!good) break;
            seen[std::size_t(q)] = true;
            loop.push_back(q);
            const int r = out[std::size_t(q)];
            len += std::sqrt(std::pow(pos[3 * std::size_t(r)] - pos[3 * std::size_t(q)], 2) +
                             std::pow(pos[3 * std::size_t(r) + 1] - pos[3 * std::size_t(q) + 1], 2) +
                             std::pow(pos[3 * std::size_t(r) + 2] - pos[3 * std::size_t(q) + 2], 2));
            q = r;
        } while (q != p);
        loops.push_back(good && loop.size() >= 3 ? loop : std::vector<int>());
        length.push_back(len);
    }
    if (loops.size() < 2) return false;
    const std::size_t outer = std::size_t(std::max_element(length.begin(), length.end()) - length.begin());
    for (std::size_t l = 0; l < loops.size(); ++l) {
        if (l == outer || loops[l].empty()) continue;
        const std::vector<int> &loop = loops[l];
        const int m = int(loop.size());
        std::vector<int> prev(static_cast<std::size_t>(m)), next(static_cast<std::size_t>(m));
        std::vector<double> ear(static_cast<std::size_t>(m));
        for (int i = 0; i < m; ++i) {
            prev[std::size_t(i)] = (i + m - 1) % m;
            next[std::size_t(i)] = (i + 1) % m;
        }
        auto at = [&](int i) { return &pos[3 * std::size_t(loop[std::size_t(i)])]; };
        auto earAngle = [&](int i) { return angleAt(at(prev[std::size_t(i)]), at(i), at(next[std::size_t(i)])); };
        std::set<std::pair<double, int>> ears;
        for (int i = 0; i < m; ++i) ears.insert({ear[std::size_t(i)] = earAngle(i), i});
        for (int left = m; left >= 3; --left) {
            const int i = ears.begin()->second, a = prev[std::size_t(i)], b = next[std::size_t(i)];
            ears.erase(ears.begin());
            // The loop runs a -> i -> b along the triangles' edges; the ear
            // takes those edges the other way round.
            const int corner[3] = {i, a, b};
            for (int k = 0; k < 3; ++k) {
                tris.push_back(loop[std::size_t(corner[k])]);
                surface.push_back(float(angleAt(at(corner[(k + 2) % 3]), at(corner[k]), at(corner[(k + 1) % 3]))));
            }
            if (left == 3) break;
            next[std::size_t(a)] = b;
            prev[std::size_t(b)] = a;
            for (int j : {a, b}) {
                ears.erase({ear[std::size_t(j)], j});
                ears.insert({ear[std::size_t(j)] = earAngle(j), j});
            }
        }
    }
    return tris.size() != given;
}

/// Solves m x = b by conjugate gradients, preconditioned by the factor of
/// an earlier matrix of the same pattern: true when every entry of the
/// residual falls to limit within maxIterations. Between Newton steps the
/// reduced matrix changes little, so a few triangular solves replace a
/// factorisation.
bool solveWithOldFactor(const nl::CsrMatrix &m, nl::SparseCholesky &old, const std::vector<double> &b,
                        std::vector<double> &x, double limit, int maxIterations, int &iterations) {
    iterations = 0;
    const std::size_t n = b.size();
    auto dot = [n](const std::vector<double> &u, const std::vector<double> &v) {
        double s = 0.0;
        for (std::size_t i = 0; i < n; ++i) s += u[i] * v[i];
        return s;
    };
    auto largest = [n](const std::vector<double> &u) {
        double s = 0.0;
        for (std::size_t i = 0; i < n; ++i) s = std::max(s, std::fabs(u[i]));
        return s;
    };
    std::vector<double> r = b, z, p, q(n);
    x.assign(n, 0.0);
    if (largest(b) <= limit) return true;
    if (!old.solve(r, z)) return false;
    p = z;
    double rz = dot(r, z);
    for (int k = 0; k < maxIterations; ++k) {
        iterations = k + 1;
        m.multiply(p.data(), q.data());
        const double pq = dot(p, q);
        if (!(pq > 0.0)) return false;
        const double a = rz / pq;
        for (std::size_t i = 0; i < n; ++i) {
            x[i] += a * p[i];
            r[i] -= a * q[i];
        }
        if (largest(r) <= limit) return true;
        if (!old.solve(r, z)) return false;
        const double rz1 = dot(r, z);
        for (std::size_t i = 0; i < n; ++i) p[i] = z[i] + rz1 / rz * p[i];
        rz = rz1;
    }
    return false;
}

AbfResult fail(AbfResult r, const char *reason) {
    r.converged = false;
    r.reason = reason;
    return r;
}

/// The Newton iteration on the Lagrangian of sum w (alpha - beta)^2 under
/// the triangle, angle-sum and wheel constraints. Unknowns 2k and 2k + 1 of
/// the reduced system are the multipliers of interior point k's angle sum
/// and wheel condition.
struct Newton {
    const std::vector<int> &tris;
    const std::vector<int> &interior;  ///< per point: its number among the interior ones, or -1
    std::vector<double> beta, w, alpha, cot, minusGradient;
    std::vector<double> sine, cosine;        ///< of alpha, kept up to date by step()
    std::vector<double> lambdaTri, lambdaV;  ///< multipliers
    std::vector<double> triResidual, pointResidual;
    nl::CsrMatrix m;  ///< the reduced matrix (lower triangle)
    std::vector<double> rhs, dl;
    nl::SparseCholesky cholesky;
    std::vector<int> groups;  ///< the interior points' elimination order; empty: the factorisation's own
    bool factored = false;
    int lastIterations = 0;  ///< of the last solve with an old factor

    /// Per triangle and pair of its corners (0-1, 0-2, 1-2) whose points
    /// are both interior: where the coupling block of the two points starts
    /// in the first row of the later one; unused otherwise.
    std::vector<std::size_t> blockAt;

    Newton(const std::vector<int> &t, const std::vector<int> &in, const NearPoints &np)
        : tris(t), interior(in), m(reducedPattern(np)), blockAt(t.size()) {
        for (std::size_t c0 = 0; c0 < t.size(); c0 += 3)
            for (int pair = 0; pair < 3; ++pair) {
                const int k = in[std::size_t(t[c0 + std::size_t(kPairs[pair][0])])];
                const int q = in[std::size_t(t[c0 + std::size_t(kPairs[pair][1])])];
                if (k >= 0 && q >= 0 && k != q) {
                    const int later = std::max(k, q);
                    blockAt[c0 + std::size_t(pair)] =
                        m.row_start[2 * std::size_t(later)] + 2 * std::size_t(np.rank(later, std::min(k, q)));
                }
            }
    }
    static constexpr int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};

    /// Unknown row (0: angle sum, 1: wheel) of the point of corner c; -1
    /// for a boundary point.
    int unknown(std::size_t c, int row) const {
        const int k = interior[std::size_t(tris[c])];
        return k < 0 ? -1 : 2 * k + row;
    }
    /// The wheel unknowns in which corner c's log sine counts positively
    /// (that of the point before c in its triangle: c is the corner after
    /// it) and negatively (the point after c).
    int wheelPlus(std::size_t c) const { return unknown(c - c % 3 + (c + 2) % 3, 1); }
    int wheelMinus(std::size_t c) const { return unknown(c - c % 3 + (c + 1) % 3, 1); }
    /// 1 / the objective's second derivative at corner c.
    double d(std::size_t c) const { return 0.5 / w[c]; }

    /// The optimal angles: the surface's, scaled to 2 pi around interior
    /// points and clamped into [lo, hi]; they start the iteration.
    void start(const std::vector<float> &surface, double lo, double hi) {
        std::vector<double> sum(interior.size(), 0.0);
        for (std::size_t c = 0; c < tris.size(); ++c) sum[std::size_t(tris[c])] += surface[c];
        beta.resize(tris.size());
        w.resize(tris.size());
        for (std::size_t c = 0; c < tris.size(); ++c) {
            double b = surface[c];
            const double s = sum[std::size_t(tris[c])];
            if (unknown(c, 0) >= 0 && s > 0.0) b *= 2.0 * M_PI / s;
            beta[c] = std::clamp(b, lo, hi);
            w[c] = 1.0 / (beta[c] * beta[c]);
        }
        alpha = beta;
        sine.resize(tris.size());
        cosine.resize(tris.size());
        for (std::size_t c = 0; c < tris.size(); ++c) ::sincos(alpha[c], &sine[c], &cosine[c]);
        cot.resize(tris.size());
        minusGradient.resize(tris.size());
        lambdaTri.assign(tris.size() / 3, 0.0);
        lambdaV.assign(m.n, 0.0);
        triResidual.resize(tris.size() / 3);
        rhs.resize(m.n);
        dl.assign(m.n, 0.0);
    }

    /// The constraints' residuals and the Lagrangian's gradient at the
    /// current angles. Returns the largest residual; stationary receives
    /// the largest gradient entry over the objective's second derivative.
    /// NaN when an angle left (0, pi).
    double evaluate(double &stationary) {
        // The wheel residual, a sum of log sines, is taken as the log of a
        // running ratio of sines: one logarithm per point instead of one per
        // corner. The wheel entries of pointResidual hold that ratio until
        // the end of the loop.
        pointResidual.assign(m.n, 0.0);
        for (NLuint k = 1; k < m.n; k += 2) pointResidual[k] = 1.0;
        stationary = 0.0;
        for (std::size_t c = 0; c < tris.size(); ++c) {
            const double a = alpha[c];
            if (!(a > 0.0 && a < M_PI)) return NAN;
            const double inverseSine = 1.0 / sine[c];
            cot[c] = cosine[c] * inverseSine;
            const int s = unknown(c, 0), wp = wheelPlus(c), wm = wheelMinus(c);
            double grad = 2.0 * w[c] * (a - beta[c]) + lambdaTri[c / 3];
            if (s >= 0) {
                pointResidual[std::size_t(s)] += a;
                grad += lambdaV[std::size_t(s)];
            }
            if (wp >= 0) {
                pointResidual[std::size_t(wp)] *= sine[c];
                grad += lambdaV[std::size_t(wp)] * cot[c];
            }
            if (wm >= 0) {
                pointResidual[std::size_t(wm)] *= inverseSine;
                grad -= lambdaV[std::size_t(wm)] * cot[c];
            }
            minusGradient[c] = -grad;
            stationary = std::max(stationary, std::fabs(grad) * d(c));
        }
        bool overflowed = false;
        for (NLuint k = 0; k < m.n; k += 2) {
            pointResidual[k] -= 2.0 * M_PI;
            const double ratio = pointResidual[k + 1];
            if (std::isnormal(ratio) && ratio > 0.0)
                pointResidual[k + 1] = std::log(ratio);
            else
                overflowed = true;
        }
        if (overflowed) sumLogSines();
        double worst = 0.0;
        for (double v : pointResidual) worst = std::max(worst, std::fabs(v));
        for (std::size_t t = 0; t < triResidual.size(); ++t) {
            triResidual[t] = alpha[3 * t] + alpha[3 * t + 1] + alpha[3 * t + 2] - M_PI;
            worst = std::max(worst, std::fabs(triResidual[t]));
        }
        return worst;
    }

    /// The wheel residuals as sums of log sines, for points whose ratio of
    /// sines left the range of doubles (valences in the hundreds).
    void sumLogSines() {
        for (NLuint k = 1; k < m.n; k += 2) pointResidual[k] = 0.0;
        for (std::size_t c = 0; c < tris.size(); ++c) {
            const double ls = std::log(sine[c]);
            if (const int wp = wheelPlus(c); wp >= 0) pointResidual[std::size_t(wp)] += ls;
            if (const int wm = wheelMinus(c); wm >= 0) pointResidual[std::size_t(wm)] -= ls;
        }
    }

    /// The reduced matrix and right-hand side. Per triangle, with D the
    /// angles' diagonal block inverted and P = D - D 1 1^T D / sum(D) (the
    /// triangle constraint eliminated), the triangle adds A P A^T, A being
    /// the rows of its points' constraints over its three angles. Point j's
    /// rows are sparse: its angle sum is e_j, its wheel condition
    /// v_j = cot(j + 1) e_(j + 1) - cot(j + 2) e_(j + 2) (corners mod 3), so
    /// every entry is an entry of P or of P v_i, at most two terms each.
    void assemble() {
        std::fill(m.val.begin(), m.val.end(), 0.0);
        rhs = pointResidual;
        for (std::size_t t = 0; t < triResidual.size(); ++t) {
            const std::size_t c0 = 3 * t;
            double dd[3], P[3][3], q[3], ct[3], Pv[3][3];
            int g[3];
            double dsum = 0.0, db = 0.0;
            for (int i = 0; i < 3; ++i) {
                dd[i] = d(c0 + std::size_t(i));
                ct[i] = cot[c0 + std::size_t(i)];
                dsum += dd[i];
                db += dd[i] * minusGradient[c0 + std::size_t(i)];
                g[i] = unknown(c0 + std::size_t(i), 0);
            }
            // The triangle multiplier's right-hand side.
            const double rt = db + triResidual[t];
            for (int i = 0; i < 3; ++i) {
                q[i] = dd[i] * (minusGradient[c0 + std::size_t(i)] - rt / dsum);
                for (int j = 0; j < 3; ++j) P[i][j] = (i == j ? dd[i] : 0.0) - dd[i] * dd[j] / dsum;
            }
            auto wheel = [&](int j, const double *x) {  // v_j . x
                return ct[(j + 1) % 3] * x[(j + 1) % 3] - ct[(j + 2) % 3] * x[(j + 2) % 3];
            };
            for (int i = 0; i < 3; ++i)  // Pv[i] = P v_i (P is symmetric)
                for (int k = 0; k < 3; ++k) Pv[i][k] = wheel(i, P[k]);
            for (int j = 0; j < 3; ++j) {
                if (g[j] < 0) continue;
                rhs[std::size_t(g[j])] += q[j];
                rhs[std::size_t(g[j]) + 1] += wheel(j, q);
                // The point's own block: the last entry of its first row, the
                // last two of its second.
                const NLuint row = NLuint(g[j]);
                m.val[m.row_start[row + 1] - 1] += P[j][j];
                m.val[m.row_start[row + 2] - 2] += Pv[j][j];
                m.val[m.row_start[row + 2] - 1] += wheel(j, Pv[j]);
            }
            for (int pair = 0; pair < 3; ++pair) {
                int i = kPairs[pair][0], j = kPairs[pair][1];
                if (g[i] < 0 || g[j] < 0 || g[i] == g[j]) continue;
                if (g[i] < g[j]) std::swap(i, j);  // i the later point: its rows hold the block
                // The second row has the first's entries up to the block, and
                // the block's two columns are adjacent in both.
                const NLuint row = NLuint(g[i]);
                const std::size_t first = blockAt[c0 + std::size_t(pair)];
                const std::size_t second = first - m.row_start[row] + m.row_start[row + 1];
                m.val[first] += P[i][j];
                m.val[first + 1] += Pv[j][i];
                m.val[second] += Pv[i][j];
                m.val[second + 1] += wheel(j, Pv[i]);
            }
        }
    }

    /// The points' multiplier steps dl from the reduced system; a fresh
    /// factor only when the old one no longer serves as a preconditioner.
    /// The reduced system's residual is what the step leaves of the
    /// linearised point constraints (the other rows are solved exactly),
    /// so it need only fall well below the residual the step is expected
    /// to reach, limit.
    const char *solveReduced(double limit) {
        if (m.n == 0) return nullptr;
        // A factorisation costs about ten triangular solves (supernodal,
        // from 5000 to 200000 unknowns): once the old factor needs more
        // than that many iterations, a new one pays for itself.
        constexpr int kSolvesPerFactor = 10;
        if (factored && lastIterations <= kSolvesPerFactor &&
            solveWithOldFactor(m, cholesky, rhs, dl, limit, 2 * kSolvesPerFactor, lastIterations))
            return nullptr;
        lastIterations = 0;
        std::string why;
        factored = cholesky.factor(m, why, 2, groups.empty() ? nullptr : &groups);
        if (!factored) return "the reduced system is singular";
        if (!cholesky.solve(rhs, dl)) return "the reduced system has no finite solution";
        return nullptr;
    }

    /// Adds delta to alpha[c] and brings its sine and cosine along. Newton
    /// steps change angles by a tenth of a radian or less but for the first
    /// few: rotating by the Taylor series of delta (its error below
    /// delta^11 / 11!, 3e-19 at the bound) is several times cheaper than a
    /// new sine and cosine.
    void turn(std::size_t c, double delta) {
        alpha[c] += delta;
        if (!(std::fabs(delta) <= 0.1)) {
            ::sincos(alpha[c], &sine[c], &cosine[c]);
            return;
        }
        const double d2 = delta * delta;
        // Multiplications by the constants' reciprocals: a division by a
        // constant stays a division.
        const double sd =
            delta *
            (1.0 - d2 * (1.0 / 6) * (1.0 - d2 * (1.0 / 20) * (1.0 - d2 * (1.0 / 42) * (1.0 - d2 * (1.0 / 72)))));
        const double cd =
            1.0 -
            d2 * 0.5 *
                (1.0 - d2 * (1.0 / 12) * (1.0 - d2 * (1.0 / 30) * (1.0 - d2 * (1.0 / 56) * (1.0 - d2 * (1.0 / 90)))));
        const double s0 = sine[c], c0 = cosine[c];
        sine[c] = s0 * cd + c0 * sd;
        cosine[c] = c0 * cd - s0 * sd;
    }

    /// Back-substitution: the triangles' multipliers, then the angles.
    void step() {
        for (std::size_t t = 0; t < triResidual.size(); ++t) {
            const std::size_t c0 = 3 * t;
            double atl[3], dsum = 0.0, dbt = 0.0;
            for (int i = 0; i < 3; ++i) {
                const std::size_t c = c0 + std::size_t(i);
                // (A^T dl) at corner i.
                const int s = unknown(c, 0), wp = wheelPlus(c), wm = wheelMinus(c);
                double v = 0.0;
                if (s >= 0) v += dl[std::size_t(s)];
                if (wp >= 0) v += dl[std::size_t(wp)] * cot[c];
                if (wm >= 0) v -= dl[std::size_t(wm)] * cot[c];
                atl[i] = v;
                dsum += d(c);
                dbt += d(c) * (minusGradient[c] - v);
            }
            const double dlt = (dbt + triResidual[t]) / dsum;
            lambdaTri[t] += dlt;
            for (int i = 0; i < 3; ++i) {
                const std::size_t c = c0 + std::size_t(i);
                turn(c, d(c) * (minusGradient[c] - dlt - atl[i]));
            }
        }
        for (NLuint k = 0; k < m.n; ++k) lambdaV[k] += dl[k];
    }
};

}  // namespace

AbfResult abfAngles(const std::vector<double> &positions, const std::vector<int> &meshTris,
                    const std::vector<float> &meshSurface, std::vector<float> &angles, const AbfOptions &opt) {
    AbfResult res;
    angles.clear();
    const int n = int(positions.size() / 3);
    const std::size_t meshCorners = meshTris.size();
    if (n <= 0 || meshCorners == 0 || meshCorners % 3 != 0 ||
        (!meshSurface.empty() && meshSurface.size() != meshCorners))
        return fail(res, "no triangles");
    for (int p : meshTris)
        if (p < 0 || p >= n) return fail(res, "a triangle names a point that does not exist");
    for (float a : meshSurface)
        if (!std::isfinite(a)) return fail(res, "an angle is not a number");
    for (double x : positions)
        if (!std::isfinite(x)) return fail(res, "a position is not a number");
    std::vector<int> tris = meshTris;
    std::vector<float> surface = meshSurface;
    if (surface.empty())
        for (std::size_t c = 0; c < meshCorners; ++c) {
            const std::size_t t = c - c % 3;
            const int at = tris[c], next = tris[t + (c + 1) % 3], prev = tris[t + (c + 2) % 3];
            surface.push_back(float(angleAt(&positions[3 * std::size_t(prev)], &positions[3 * std::size_t(at)],
                                            &positions[3 * std::size_t(next)])));
        }
    CornersByPoint cp(n, tris);
    if (opt.fillHoles && fillHoles(positions, cp, tris, surface)) cp = CornersByPoint(n, tris);

    std::vector<int> interior(std::size_t(n), -1);
    int ni = 0;
    for (int p = 0; p < n; ++p)
        if (isInterior(p, cp)) interior[std::size_t(p)] = ni++;

    // One ordering of the points' graph serves this system and, through the
    // result, the conformal system over the same points. It takes seconds
    // on a large piece (nested dissection), so it runs beside the Newton
    // set-up and first evaluation, which do not need it.
    std::vector<int> graphStart, graphRows;
    std::future<std::vector<int>> ordering;
    if (nl::takes_elimination_order(2 * std::size_t(ni))) {
        pointGraph(cp, graphStart, graphRows);
        auto order = [&] { return nl::elimination_order(graphStart, graphRows, 2); };
        try {
            ordering = std::async(std::launch::async, order);
        } catch (const std::system_error &) {  // no thread to be had: order here
            ordering = std::async(std::launch::deferred, order);
        }
    }
    Newton newton(tris, interior, NearPoints(interior, cp, tris));
    auto takeOrdering = [&] {
        if (!ordering.valid()) return;
        res.pointOrder = ordering.get();
        for (int p : res.pointOrder)
            if (interior[std::size_t(p)] >= 0) newton.groups.push_back(interior[std::size_t(p)]);
    };
    auto giveUp = [&](const char *why) {
        takeOrdering();
        return fail(res, why);
    };
    newton.start(surface, opt.minAngle, M_PI - opt.minAngle);
    double best = INFINITY;
    int sinceBest = 0;
    for (int it = 0;; ++it) {
        res.iterations = it;
        double stationary = 0.0;
        res.residual = newton.evaluate(stationary);
        if (!std::isfinite(res.residual) || !std::isfinite(stationary))
            return giveUp("an angle left (0, pi) or a residual is not a number");
        if (res.residual <= opt.tolerance && stationary <= opt.stationaryTolerance) break;
        if (it >= opt.maxIterations) return giveUp("no convergence within the step limit");
        // Newton steps that stop reducing the residual will not reach the
        // tolerance: an inconsistent system (a closed surface) does that.
        if (res.residual < best) {
            best = res.residual;
            sinceBest = 0;
        } else if (++sinceBest >= 4) {
            return giveUp("the residual stopped falling");
        }
        if (opt.interrupted && opt.interrupted(it)) {
            res.interrupted = true;
            return giveUp("interrupted");
        }
        newton.assemble();
        takeOrdering();
        // Newton's residual after the step is about the square of this
        // one: the inexact solve adds at most a tenth of that, and near
        // convergence at most half the tolerance, so that the last step
        // still lands within it. Each factor of ten asked beyond that costs
        // another iteration or two with the old factor.
        const double limit =
            std::max(0.5 * opt.tolerance, std::min(0.1 * res.residual, 0.1 * res.residual * res.residual));
        if (const char *why = newton.solveReduced(limit)) return giveUp(why);
        newton.step();
    }
    takeOrdering();
    res.converged = true;
    angles.assign(newton.alpha.begin(), newton.alpha.begin() + long(meshCorners));
    return res;
}
