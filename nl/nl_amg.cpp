// Smoothed aggregation, level by level:
//   1. points: groups of `block` unknowns; |A_IJ| the Frobenius norm of
//      the block of points I, J; a point with a zero diagonal block takes
//      no part (its unknowns keep their value);
//   2. aggregates: a point whose strong neighbours are all free starts an
//      aggregate with them; the points left join the aggregate of a strong
//      neighbour; any still left start aggregates of their own;
//   3. P_tent: the near-null space restricted to each aggregate and
//      orthonormalised, k columns per aggregate (the coarse level has
//      points of k unknowns), and P = (I - w D^-1 A) P_tent with
//      w = 4 / (3 rho(D^-1 A));
//   4. A_c = P^T A P, one aggregate (block of coarse rows) at a time: the
//      rows of P that reach an aggregate are the neighbours of its
//      members, and their rows of A P are formed as they are needed, so
//      neither A P nor P^T is ever stored.
// The near-null space matters: a conformal map is fixed only by its pins,
// and every map z -> a z + c (a shift, a turn and a scale of the layout)
// costs almost nothing, so the coarse levels hold all four: that halves
// the iterations of translations alone. The other holomorphic maps
// (z -> z^2, ...) cost little too and are not held, which is why the
// count still grows about as the square root of the size.
// Coarsening stops at max(opts.coarsest, n / opts.coarse_ratio) unknowns,
// which get a sparse Cholesky factor, or when it stalls, in which case the
// smoother alone serves the last level. Stopping a few levels down costs a
// factor of a small system and cuts the iterations by half to two thirds:
// the low-energy maps that the aggregates do not hold are left to the
// direct solve instead of to ever coarser levels.
#include "nl_amg.h"

#include "nl_cholmod.h"
#include "nl_team.h"

#include <algorithm>
#include <complex>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

namespace nl {

namespace {

constexpr NLuint kNone = std::numeric_limits<NLuint>::max();
constexpr NLuint kParallelRows = 20000;      // shorter passes run on the calling thread
constexpr NLuint kParallelAggregates = 256;  // fewer aggregates are built on the calling thread
constexpr NLuint kBlockRows = 1024;          // rows per partial sum of a dot product
constexpr unsigned kMaxLevels = 24;
constexpr unsigned kMaxNullspace = 4;  // near-null vectors per point, at most
constexpr double kStallRatio = 0.85;   // a coarse level this close in size stops coarsening
constexpr unsigned kPowerSteps = 20;   // steps of the spectral radius estimate
// Chebyshev smoothing targets D^-1 A's eigenvalues in [hi / kLowRatio, hi].
constexpr double kLowRatio = 20.0;

using Complex = std::complex<double>;

// The arithmetic that differs between real and complex unknowns.
inline double conjugate(double v) { return v; }
inline Complex conjugate(Complex v) { return std::conj(v); }
inline double real_part(double v) { return v; }
inline double real_part(Complex v) { return v.real(); }
inline double magnitude2(double v) { return v * v; }
inline double magnitude2(Complex v) { return std::norm(v); }
// Re(conj(a) b): the real inner product of two unknowns.
template <class S> double inner(S a, S b) { return real_part(conjugate(a) * b); }

// The operator of a level: real, or complex Hermitian by full rows.
template <class S> struct MatrixOf;
template <> struct MatrixOf<double> { using type = CsrMatrix; };
template <> struct MatrixOf<Complex> { using type = HermitianMatrix; };
template <class S> using Matrix = typename MatrixOf<S>::type;

// Sum over row i of a of val * v[col].
template <class S> S row_dot(const Matrix<S> &a, NLuint i, const S *v) {
    S s0 = S(0.0), s1 = S(0.0);
    std::size_t k = a.row_start[i];
    const std::size_t e = a.row_start[i + 1];
    for (; k + 1 < e; k += 2) {
        s0 += a.val[k] * v[a.col[k]];
        s1 += a.val[k + 1] * v[a.col[k + 1]];
    }
    if (k < e) s0 += a.val[k] * v[a.col[k]];
    return s0 + s1;
}

// The real diagonal entry (i, i) of a, 0 when it is not stored.
template <class S> double diagonal(const Matrix<S> &a, NLuint i) {
    const NLuint *first = a.col.data() + a.row_start[i];
    const NLuint *last = a.col.data() + a.row_start[i + 1];
    const NLuint *it = std::lower_bound(first, last, i);
    return (it != last && *it == i) ? real_part(a.val[static_cast<std::size_t>(it - a.col.data())]) : 0.0;
}

// A rectangular CSR matrix, rows x cols, its values stored as V and read
// as S.
template <class S, class V = S> struct Sparse {
    NLuint rows = 0, cols = 0;
    std::vector<std::size_t> start{0};
    Buffer<NLuint> col;
    Buffer<V> val;
    S value(std::size_t k) const { return S(val[k]); }
};

// Single precision for the stored prolongators. They only shape the
// coarse space: the V-cycle reads the same rounded P going down and up and
// builds P^H A P from it in double precision, so it stays the symmetric
// positive definite operator the conjugate gradient needs, and the
// solution's accuracy is the finest level's. It halves the prolongators'
// values (35 MB at a million triangles).
template <class S> struct NarrowOf;
template <> struct NarrowOf<double> { using type = float; };
template <> struct NarrowOf<Complex> { using type = std::complex<float>; };
template <class S> using Prolongator = Sparse<S, typename NarrowOf<S>::type>;

// Splits passes over rows on a team, and adds up dot products in fixed
// blocks of rows in block order, so that the thread count changes nothing.
class Runner {
public:
    explicit Runner(unsigned threads) {
        if (threads > 1) team_ = std::make_unique<Team>(threads);
    }

    // Calls f(first, last) over contiguous ranges covering [0, n).
    template <class F> void rows(NLuint n, F f) {
        if (!team_ || n < kParallelRows) {
            f(NLuint(0), n);
            return;
        }
        const unsigned parts = team_->parts();
        auto part = [&](unsigned p) {
            f(static_cast<NLuint>(std::uint64_t(n) * p / parts),
              static_cast<NLuint>(std::uint64_t(n) * (p + 1) / parts));
        };
        team_->run(part);
    }

    // How many parts a pass over n items is split into: 1 below least.
    unsigned parts(NLuint n, NLuint least) const { return team_ && n >= least ? team_->parts() : 1; }

    // Calls f(part, first, last) for parts contiguous ranges covering [0, n).
    template <class F> void split(NLuint n, unsigned parts, F f) {
        auto range = [&](unsigned p) {
            f(p, static_cast<NLuint>(std::uint64_t(n) * p / parts),
              static_cast<NLuint>(std::uint64_t(n) * (p + 1) / parts));
        };
        if (parts <= 1 || !team_) {
            range(0);
            return;
        }
        team_->run(range);
    }

    // Sum over i < n of term(i), in blocks of kBlockRows.
    template <class Term> double sum(NLuint n, Term term) {
        const NLuint blocks = (n + kBlockRows - 1) / kBlockRows;
        sums_.resize(blocks);
        rows(blocks, [&](NLuint first, NLuint last) {
            for (NLuint k = first; k < last; ++k) {
                double s = 0.0;
                const NLuint end = std::min(n, (k + 1) * kBlockRows);
                for (NLuint i = k * kBlockRows; i < end; ++i) s += term(i);
                sums_[k] = s;
            }
        });
        double t = 0.0;
        for (double s : sums_) t += s;
        return t;
    }

private:
    std::unique_ptr<Team> team_;
    std::vector<double> sums_;
};

// Sparse Cholesky factor of the coarsest level, over its unknowns with a
// nonzero diagonal; the others solve to 0.
class CoarseFactor {
public:
    // False when the matrix is singular or memory runs out. A complex
    // operator is factored as it is, in complex arithmetic.
    bool factor(const HermitianMatrix &a, unsigned) { return factor_complex(a, number_kept<Complex>(a)); }
    bool factor(const CsrMatrix &a, unsigned block) {
        const std::vector<NLuint> number = number_kept<double>(a);
        CsrMatrix lower;
        lower.n = static_cast<NLuint>(kept_.size());
        lower.lower = true;
        lower.row_start.assign(1, 0);
        lower.row_start.reserve(kept_.size() + 1);
        for (std::size_t r = 0; r < kept_.size(); ++r) {
            const NLuint i = kept_[r];
            for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) {
                const NLuint c = number[a.col[k]];
                if (c != kNone && c <= r) {
                    lower.col.push_back(c);
                    lower.val.push_back(a.val[k]);
                }
            }
            lower.row_start.push_back(lower.col.size());
        }
        // Whole point blocks share their pattern: order the blocks.
        const int b = kept_.size() == a.n && block > 1 && a.n % block == 0 ? int(block) : 1;
        std::string reason;
        return factor_.factor(lower, reason, b);
    }

    // x = A^-1 b over the kept unknowns (x and b hold A.n values).
    bool solve(const double *b, double *x, NLuint size) {
        rhs_.resize(kept_.size());
        for (std::size_t i = 0; i < kept_.size(); ++i) rhs_[i] = b[kept_[i]];
        std::fill(x, x + size, 0.0);
        if (!factor_.solve(rhs_, y_)) return false;
        for (std::size_t i = 0; i < kept_.size(); ++i) x[kept_[i]] = y_[i];
        return true;
    }
    bool solve(const Complex *b, Complex *x, NLuint size) {
        rhs_.resize(2 * kept_.size());
        for (std::size_t i = 0; i < kept_.size(); ++i) {
            rhs_[2 * i] = b[kept_[i]].real();
            rhs_[2 * i + 1] = b[kept_[i]].imag();
        }
        std::fill(x, x + size, Complex(0.0));
        if (!factor_.solve(rhs_, y_)) return false;
        for (std::size_t i = 0; i < kept_.size(); ++i) x[kept_[i]] = Complex(y_[2 * i], y_[2 * i + 1]);
        return true;
    }

private:
    // Numbers the unknowns of a with a nonzero diagonal (kept_); kNone for
    // the others.
    template <class S> std::vector<NLuint> number_kept(const Matrix<S> &a) {
        kept_.clear();
        std::vector<NLuint> number(a.n, kNone);
        for (NLuint i = 0; i < a.n; ++i) {
            if (diagonal<S>(a, i) != 0.0) {
                number[i] = static_cast<NLuint>(kept_.size());
                kept_.push_back(i);
            }
        }
        return number;
    }

    // a's kept unknowns as the upper triangle by columns: column r holds
    // h(I, r) for I <= r, the conjugates of row r's entries up to r.
    bool factor_complex(const HermitianMatrix &a, const std::vector<NLuint> &number) {
        HermitianMatrix upper;
        upper.n = static_cast<NLuint>(kept_.size());
        upper.row_start.reserve(kept_.size() + 1);
        for (std::size_t r = 0; r < kept_.size(); ++r) {
            const NLuint i = kept_[r];
            for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) {
                const NLuint c = number[a.col[k]];
                if (c == kNone || c > r) continue;
                upper.col.push_back(c);
                // A diagonal entry is real; its roundoff imaginary part goes.
                upper.val.push_back(c == r ? Complex(a.val[k].real()) : std::conj(a.val[k]));
            }
            upper.row_start.push_back(upper.col.size());
        }
        std::string reason;
        return factor_.factor(upper, reason);
    }

    std::vector<NLuint> kept_;
    SparseCholesky factor_;
    std::vector<double> rhs_, y_;
};

template <class S> struct Level {
    Matrix<S> own;                 // the operator of a coarse level
    const Matrix<S> *a = nullptr;  // the operator: own, or the caller's M
    unsigned block = 1;            // unknowns per point
    std::vector<double> dinv;      // inverse diagonal, 0 where the diagonal is
    double hi = 1.0;               // Chebyshev interval of D^-1 A
    Prolongator<S> p;              // prolongator from the next level; empty on the last
    // Right-hand side and solution of a coarse level's correction, and
    // scratch for the smoother.
    std::vector<S> b, x, d, t;
};

// ---- Setup ---------------------------------------------------------------

// The strong-connection graph of the points of a (neighbours only) and
// whether each point takes part (a nonzero diagonal block).
struct PointGraph {
    std::vector<std::size_t> start{0};
    std::vector<NLuint> adj;
    std::vector<unsigned char> active;
};

template <class S> PointGraph strength_graph(const Matrix<S> &a, unsigned block, double theta) {
    const NLuint points = a.n / block;
    std::vector<double> dnorm(points, 0.0);
    for (NLuint i = 0; i < a.n; ++i) {
        const NLuint I = i / block;
        for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) {
            if (a.col[k] / block == I) dnorm[I] += magnitude2(a.val[k]);
        }
    }
    PointGraph g;
    g.active.resize(points);
    for (NLuint I = 0; I < points; ++I) g.active[I] = dnorm[I] > 0.0;
    std::vector<double> acc(points, 0.0);
    std::vector<NLuint> mark(points, kNone), seen;
    g.start.reserve(std::size_t(points) + 1);
    for (NLuint I = 0; I < points; ++I) {
        seen.clear();
        if (g.active[I]) {
            for (NLuint i = I * block; i < (I + 1) * block; ++i) {
                for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) {
                    const NLuint J = a.col[k] / block;
                    if (J == I || !g.active[J]) continue;
                    if (mark[J] != I) {
                        mark[J] = I;
                        acc[J] = 0.0;
                        seen.push_back(J);
                    }
                    acc[J] += magnitude2(a.val[k]);
                }
            }
        }
        for (NLuint J : seen) {
            // Squared norms on both sides: |A_IJ|^2 >= theta^2 |A_II| |A_JJ|.
            if (acc[J] >= theta * theta * std::sqrt(dnorm[I] * dnorm[J])) g.adj.push_back(J);
        }
        std::sort(g.adj.begin() + static_cast<std::ptrdiff_t>(g.start.back()), g.adj.end());
        g.start.push_back(g.adj.size());
    }
    return g;
}

// The aggregate of every point (kNone for inactive ones); returns the
// number of aggregates.
NLuint aggregate(const PointGraph &g, std::vector<NLuint> &agg) {
    const auto points = static_cast<NLuint>(g.active.size());
    agg.assign(points, kNone);
    NLuint count = 0;
    auto neighbours = [&](NLuint I) {
        return std::make_pair(g.adj.begin() + static_cast<std::ptrdiff_t>(g.start[I]),
                              g.adj.begin() + static_cast<std::ptrdiff_t>(g.start[I + 1]));
    };
    // 1: a free point whose neighbours are all free seeds an aggregate.
    for (NLuint I = 0; I < points; ++I) {
        if (!g.active[I] || agg[I] != kNone) continue;
        auto [first, last] = neighbours(I);
        if (std::any_of(first, last, [&](NLuint J) { return agg[J] != kNone; })) continue;
        agg[I] = count;
        for (auto it = first; it != last; ++it) agg[*it] = count;
        ++count;
    }
    // 2: the rest join a neighbouring aggregate of step 1.
    const std::vector<NLuint> seeded = agg;
    for (NLuint I = 0; I < points; ++I) {
        if (!g.active[I] || agg[I] != kNone) continue;
        auto [first, last] = neighbours(I);
        for (auto it = first; it != last; ++it) {
            if (seeded[*it] != kNone) {
                agg[I] = seeded[*it];
                break;
            }
        }
    }
    // 3: points still left (no neighbour in an aggregate) start their own.
    for (NLuint I = 0; I < points; ++I) {
        if (!g.active[I] || agg[I] != kNone) continue;
        agg[I] = count;
        auto [first, last] = neighbours(I);
        for (auto it = first; it != last; ++it) {
            if (agg[*it] == kNone) agg[*it] = count;
        }
        ++count;
    }
    return count;
}

// Estimate of the largest eigenvalue of D^-1 A: the largest Rayleigh
// quotient x^T A x / x^T D x of a few power steps, never above the
// Gershgorin bound, from a fixed pseudo-random start.
template <class S> double spectral_radius(const Matrix<S> &a, const std::vector<double> &dinv, Runner &run) {
    const NLuint n = a.n;
    double gershgorin = 0.0;
    for (NLuint i = 0; i < n; ++i) {
        double s = 0.0;
        for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) s += std::abs(a.val[k]);
        gershgorin = std::max(gershgorin, s * dinv[i]);
    }
    std::vector<S> x(n), y(n);
    std::uint32_t seed = 12345u;
    for (NLuint i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = dinv[i] == 0.0 ? 0.0 : double(seed >> 8) / double(1u << 24) - 0.5;
    }
    double best = 0.0;
    for (unsigned step = 0; step < kPowerSteps; ++step) {
        run.rows(n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) y[i] = row_dot<S>(a, i, x.data());
        });
        const double xax = run.sum(n, [&](NLuint i) { return inner(x[i], y[i]); });
        const double xdx = run.sum(n, [&](NLuint i) { return dinv[i] == 0.0 ? 0.0 : magnitude2(x[i]) / dinv[i]; });
        if (!(xdx > 0.0)) break;
        best = std::max(best, xax / xdx);
        const double norm = std::sqrt(run.sum(n, [&](NLuint i) { return magnitude2(dinv[i] * y[i]); }));
        if (!(norm > 0.0)) break;
        for (NLuint i = 0; i < n; ++i) x[i] = dinv[i] * y[i] / norm;
    }
    return best > 0.0 ? std::min(best, gershgorin) : gershgorin;
}

// The points of every aggregate: those of aggregate g are
// member[first[g]] .. member[first[g+1] - 1], in increasing order.
struct Members {
    std::vector<NLuint> first, member;
};

Members members_of(const std::vector<NLuint> &agg, NLuint aggregates) {
    const auto points = static_cast<NLuint>(agg.size());
    Members m;
    m.first.assign(std::size_t(aggregates) + 1, 0);
    m.member.resize(points);
    for (NLuint I = 0; I < points; ++I) {
        if (agg[I] != kNone) ++m.first[agg[I] + 1];
    }
    for (NLuint g = 0; g < aggregates; ++g) m.first[g + 1] += m.first[g];
    std::vector<NLuint> next(m.first.begin(), m.first.end() - 1);
    for (NLuint I = 0; I < points; ++I) {
        if (agg[I] != kNone) m.member[next[agg[I]]++] = I;
    }
    return m;
}

// The tentative prolongator and the coarse near-null space: for each
// aggregate, the rows of the near-null space b (n x k, row-major) at the
// unknowns of its points with a nonzero diagonal, orthonormalised (modified
// Gram-Schmidt) into k columns of P_tent; the triangular factor becomes the
// aggregate's k rows of the coarse near-null space. A column that vanishes
// (an aggregate with fewer unknowns than k) stays zero.
template <class S>
Sparse<S> tentative(const Matrix<S> &a, unsigned block, unsigned k, const std::vector<S> &b,
                    const std::vector<double> &dinv, const std::vector<NLuint> &agg, NLuint aggregates,
                    std::vector<S> &coarse_nullspace) {
    const Members members = members_of(agg, aggregates);
    const std::vector<NLuint> &first = members.first, &member = members.member;
    // Q of every unknown: k values, or none for unknowns outside aggregates.
    std::vector<S> q(std::size_t(a.n) * k, S(0.0));
    coarse_nullspace.assign(std::size_t(aggregates) * k * k, S(0.0));
    std::vector<NLuint> dofs;
    for (NLuint g = 0; g < aggregates; ++g) {
        dofs.clear();
        for (NLuint m = first[g]; m < first[g + 1]; ++m) {
            for (NLuint i = member[m] * block; i < (member[m] + 1) * block; ++i) {
                if (dinv[i] != 0.0) dofs.push_back(i);
            }
        }
        for (NLuint i : dofs) std::copy_n(&b[std::size_t(i) * k], k, &q[std::size_t(i) * k]);
        S *r = &coarse_nullspace[std::size_t(g) * k * k];
        for (unsigned c = 0; c < k; ++c) {
            double before = 0.0;
            for (NLuint i : dofs) before += magnitude2(q[std::size_t(i) * k + c]);
            for (unsigned e = 0; e < c; ++e) {
                S dot = S(0.0);
                for (NLuint i : dofs) dot += conjugate(q[std::size_t(i) * k + e]) * q[std::size_t(i) * k + c];
                r[e * k + c] = dot;
                for (NLuint i : dofs) q[std::size_t(i) * k + c] -= dot * q[std::size_t(i) * k + e];
            }
            double norm = 0.0;
            for (NLuint i : dofs) norm += magnitude2(q[std::size_t(i) * k + c]);
            norm = std::sqrt(norm);
            // What is left of a dependent column is roundoff: drop it.
            const bool kept = norm > 1e-10 * std::sqrt(before);
            r[c * k + c] = kept ? S(norm) : S(0.0);
            for (NLuint i : dofs) q[std::size_t(i) * k + c] = kept ? q[std::size_t(i) * k + c] / norm : S(0.0);
        }
    }
    Sparse<S> t;
    t.rows = a.n;
    t.cols = aggregates * k;
    t.start.reserve(std::size_t(a.n) + 1);
    for (NLuint i = 0; i < a.n; ++i) {
        const NLuint g = agg[i / block];
        if (g != kNone && dinv[i] != 0.0) {
            for (unsigned c = 0; c < k; ++c) {
                const S v = q[std::size_t(i) * k + c];
                if (v != S(0.0)) {
                    t.col.push_back(g * k + c);
                    t.val.push_back(v);
                }
            }
        }
        t.start.push_back(t.col.size());
    }
    return t;
}

// P = (I - omega D^-1 A) t for the tentative prolongator t.
template <class S>
Prolongator<S> smoothed_prolongator(const Matrix<S> &a, const Sparse<S> &t, const std::vector<double> &dinv,
                                    double omega) {
    Prolongator<S> p;
    p.rows = a.n;
    p.cols = t.cols;
    p.start.reserve(std::size_t(a.n) + 1);
    std::vector<NLuint> mark(p.cols, kNone), seen;
    std::vector<S> acc(p.cols, S(0.0));
    for (NLuint i = 0; i < a.n; ++i) {
        seen.clear();
        if (dinv[i] != 0.0) {
            auto add = [&](NLuint j, S scale) {
                for (std::size_t q = t.start[j]; q < t.start[j + 1]; ++q) {
                    const NLuint c = t.col[q];
                    if (mark[c] != i) {
                        mark[c] = i;
                        acc[c] = S(0.0);
                        seen.push_back(c);
                    }
                    acc[c] += scale * t.val[q];
                }
            };
            add(i, S(1.0));
            const double s = -omega * dinv[i];
            for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) add(a.col[k], s * a.val[k]);
            std::sort(seen.begin(), seen.end());
            for (NLuint c : seen) {
                p.col.push_back(c);
                p.val.push_back(typename NarrowOf<S>::type(acc[c]));
            }
        }
        p.start.push_back(p.col.size());
    }
    return p;
}

// Entry (i, c) of p, 0 when not stored.
template <class S> S entry(const Prolongator<S> &p, NLuint i, NLuint c) {
    for (std::size_t k = p.start[i]; k < p.start[i + 1]; ++k) {
        if (p.col[k] == c) return p.value(k);
        if (p.col[k] > c) break;
    }
    return S(0.0);
}

// The coarse rows of a range of aggregates.
template <class S> struct CoarseRows {
    std::vector<std::size_t> ends;  // end of each coarse row in col / val
    Buffer<NLuint> col;
    Buffer<S> val;
};

// The scratch that builds them, sized for one level.
template <class S> struct GalerkinScratch {
    std::vector<NLuint> support, support_mark, ap_seen, out_mark, out_seen;
    std::vector<std::size_t> ap_mark;
    std::vector<S> ap;
    std::vector<std::vector<S>> out;
    std::size_t stamp = 0;
};

// Appends to part the coarse rows of aggregates [g0, g1) of P^H A P: for
// each aggregate, the rows of P that reach it are the neighbours of its
// members, and their rows of A P are formed as they are needed.
template <class S>
void galerkin_rows(const Matrix<S> &a, unsigned block, unsigned kk, const Prolongator<S> &p,
                   const std::vector<NLuint> &first, const std::vector<NLuint> &member, NLuint g0, NLuint g1,
                   CoarseRows<S> &part) {
    GalerkinScratch<S> w;
    w.support_mark.assign(a.n, kNone);
    w.ap_mark.assign(p.cols, 0);
    w.ap.assign(p.cols, S(0.0));
    w.out.assign(kk, std::vector<S>(p.cols, S(0.0)));
    w.out_mark.assign(p.cols, kNone);
    for (NLuint g = g0; g < g1; ++g) {
        w.support.clear();
        for (NLuint m = first[g]; m < first[g + 1]; ++m) {
            for (NLuint i = member[m] * block; i < (member[m] + 1) * block; ++i) {
                for (std::size_t k = a.row_start[i]; k < a.row_start[i + 1]; ++k) {
                    const NLuint j = a.col[k];
                    if (w.support_mark[j] != g) {
                        w.support_mark[j] = g;
                        w.support.push_back(j);
                    }
                }
            }
        }
        w.out_seen.clear();
        for (NLuint k : w.support) {
            S pk[kMaxNullspace] = {};
            bool any = false;
            for (unsigned u = 0; u < kk; ++u) {
                pk[u] = conjugate(entry(p, k, g * kk + u));
                any = any || pk[u] != S(0.0);
            }
            if (!any) continue;
            // Row k of A P. A row reaches several aggregates, so every
            // visit gets its own stamp.
            ++w.stamp;
            w.ap_seen.clear();
            for (std::size_t t = a.row_start[k]; t < a.row_start[k + 1]; ++t) {
                const NLuint j = a.col[t];
                const S akj = a.val[t];
                for (std::size_t q = p.start[j]; q < p.start[j + 1]; ++q) {
                    const NLuint col = p.col[q];
                    if (w.ap_mark[col] != w.stamp) {
                        w.ap_mark[col] = w.stamp;
                        w.ap[col] = S(0.0);
                        w.ap_seen.push_back(col);
                    }
                    w.ap[col] += akj * p.value(q);
                }
            }
            for (NLuint col : w.ap_seen) {
                if (w.out_mark[col] != g) {
                    w.out_mark[col] = g;
                    for (unsigned u = 0; u < kk; ++u) w.out[u][col] = S(0.0);
                    w.out_seen.push_back(col);
                }
                for (unsigned u = 0; u < kk; ++u) w.out[u][col] += pk[u] * w.ap[col];
            }
        }
        std::sort(w.out_seen.begin(), w.out_seen.end());
        for (unsigned u = 0; u < kk; ++u) {
            for (NLuint col : w.out_seen) {
                part.col.push_back(col);
                part.val.push_back(w.out[u][col]);
            }
            part.ends.push_back(part.col.size());
        }
    }
}

// P^H A P, the aggregates split over the runner's parts; every coarse row
// is built alone, so the thread count changes nothing.
template <class S>
Matrix<S> galerkin(const Matrix<S> &a, unsigned block, unsigned kk, const Prolongator<S> &p, const std::vector<NLuint> &agg,
                   NLuint aggregates, Runner &run) {
    const Members members = members_of(agg, aggregates);
    const unsigned parts = run.parts(aggregates, kParallelAggregates);
    std::vector<CoarseRows<S>> rows(parts);
    run.split(aggregates, parts, [&](unsigned part, NLuint g0, NLuint g1) {
        galerkin_rows(a, block, kk, p, members.first, members.member, g0, g1, rows[part]);
    });
    Matrix<S> c;
    c.n = p.cols;
    c.lower = false;
    c.row_start.assign(1, 0);
    c.row_start.reserve(std::size_t(c.n) + 1);
    std::size_t total = 0;
    for (const CoarseRows<S> &r : rows) total += r.col.size();
    c.col.reserve(total);
    c.val.reserve(total);
    // Each part goes as soon as it is copied, and the reserved room is
    // touched only as it is filled: the coarse operator is held about once
    // and a half at the peak, not twice.
    for (CoarseRows<S> &r : rows) {
        const std::size_t base = c.col.size();
        for (std::size_t k = 0; k < r.col.size(); ++k) {
            c.col.push_back(r.col[k]);
            c.val.push_back(r.val[k]);
        }
        for (std::size_t e : r.ends) c.row_start.push_back(base + e);
        r = CoarseRows<S>();
    }
    return c;
}

template <class S> void prepare_level(Level<S> &level, Runner &run) {
    const Matrix<S> &a = *level.a;
    level.dinv.resize(a.n);
    for (NLuint i = 0; i < a.n; ++i) {
        const double d = diagonal<S>(a, i);
        level.dinv[i] = d > 0.0 ? 1.0 / d : 0.0;
    }
    level.hi = 1.1 * spectral_radius<S>(a, level.dinv, run);
    for (auto *v : {&level.d, &level.t}) v->assign(a.n, S(0.0));
}

// ---- The V-cycle ---------------------------------------------------------

// The near-null space of the finest level, n x k row-major (returns k):
// with point blocks of 2, the shifts of the layout in u and in v and, when
// the start values spread in both (as a projection of the surface does),
// the turn (-v, u) and the scale (u, v) about their mean; else the
// constant. The start values stand in for the layout, which they may
// mirror: the pair of lower energy in m, z -> a z or z -> a conj(z), is
// taken.
unsigned finest_nullspace(const CsrMatrix &m, const std::vector<double> &start, unsigned block,
                          std::vector<double> &b) {
    const std::size_t n = start.size();
    if (block != 2) {
        b.assign(n, 1.0);
        return 1;
    }
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY}, mean[2] = {0.0, 0.0};
    for (std::size_t i = 0; i < n; ++i) {
        lo[i % 2] = std::min(lo[i % 2], start[i]);
        hi[i % 2] = std::max(hi[i % 2], start[i]);
        mean[i % 2] += start[i];
    }
    const bool spread = hi[0] > lo[0] && hi[1] > lo[1];
    const unsigned k = spread ? 4 : 2;
    b.assign(n * k, 0.0);
    const double scale = spread ? 1.0 / std::max(hi[0] - lo[0], hi[1] - lo[1]) : 0.0;
    // The layout may come out as the mirror image of the start values: the
    // maps of lower energy, z -> a z or z -> a conj(z), are the near-null ones.
    double mirror = 1.0;
    if (spread) {
        std::vector<double> s(n), ms(n);
        double energy[2];
        for (int side = 0; side < 2; ++side) {
            for (std::size_t i = 0; i < n; ++i) {
                const double c = (start[i] - 2.0 * mean[i % 2] / double(n)) * scale;
                s[i] = (i % 2 == 1 && side == 1) ? -c : c;
            }
            m.multiply(s.data(), ms.data());
            energy[side] = 0.0;
            for (std::size_t i = 0; i < n; ++i) energy[side] += s[i] * ms[i];
        }
        if (energy[1] < energy[0]) mirror = -1.0;
    }
    for (std::size_t p = 0; p < n / 2; ++p) {
        double *bu = &b[2 * p * k];
        double *bv = bu + k;
        bu[0] = bv[1] = 1.0;
        if (!spread) continue;
        const double u = (start[2 * p] - 2.0 * mean[0] / double(n)) * scale;
        const double v = mirror * (start[2 * p + 1] - 2.0 * mean[1] / double(n)) * scale;
        bu[2] = -v, bv[2] = u;
        bu[3] = u, bv[3] = v;
    }
    return k;
}

// The same for complex unknowns (one per point): the shift 1 and, when the
// start values spread in both parts, the start values w about their mean
// (or their mirror image conj(w), whichever has the lower energy); their
// complex multiples are the shifts, turns and scales.
unsigned finest_nullspace(const HermitianMatrix &m, const std::vector<Complex> &start, unsigned,
                          std::vector<Complex> &b) {
    const std::size_t n = start.size();
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    Complex mean = 0.0;
    for (const Complex &z : start) {
        lo[0] = std::min(lo[0], z.real()), hi[0] = std::max(hi[0], z.real());
        lo[1] = std::min(lo[1], z.imag()), hi[1] = std::max(hi[1], z.imag());
        mean += z;
    }
    const bool spread = hi[0] > lo[0] && hi[1] > lo[1];
    const unsigned k = spread ? 2 : 1;
    b.assign(n * k, Complex(0.0));
    const double scale = spread ? 1.0 / std::max(hi[0] - lo[0], hi[1] - lo[1]) : 0.0;
    if (n > 0) mean /= double(n);
    bool mirror = false;
    if (spread) {
        std::vector<Complex> w(n), mw(n);
        double energy[2];
        for (int side = 0; side < 2; ++side) {
            for (std::size_t i = 0; i < n; ++i) {
                const Complex c = (start[i] - mean) * scale;
                w[i] = side == 1 ? std::conj(c) : c;
            }
            m.multiply(w.data(), mw.data());
            energy[side] = 0.0;
            for (std::size_t i = 0; i < n; ++i) energy[side] += inner(w[i], mw[i]);
        }
        mirror = energy[1] < energy[0];
    }
    for (std::size_t p = 0; p < n; ++p) {
        b[p * k] = 1.0;
        if (!spread) continue;
        const Complex c = (start[p] - mean) * scale;
        b[p * k + 1] = mirror ? std::conj(c) : c;
    }
    return k;
}

template <class S> class Hierarchy {
public:
    // go_on() is asked before each level is built; a false answer stops
    // the setup, and stopped() tells.
    template <class GoOn>
    Hierarchy(const Matrix<S> &m, const std::vector<S> &start, const AmgOptions &opts, Runner &run, GoOn go_on)
        : run_(run), opts_(opts) {
        // A direct solve of a level a few times smaller than the finest
        // costs little next to the iterations it saves.
        coarse_target_ = std::max(opts.coarsest, static_cast<NLuint>(m.n / std::max(opts.coarse_ratio, 1u)));
        levels_.reserve(kMaxLevels);
        levels_.emplace_back();
        levels_[0].a = &m;
        levels_[0].block = opts.block == 2 && m.n % 2 == 0 ? 2 : 1;
        std::vector<S> nullspace;
        unsigned k = finest_nullspace(m, start, levels_[0].block, nullspace);
        for (;;) {
            Level<S> &fine = levels_.back();
            prepare_level(fine, run_);
            const Matrix<S> &a = *fine.a;
            if (a.n <= coarse_target_ || levels_.size() >= kMaxLevels) break;
            if (!go_on()) {
                stopped_ = true;
                return;
            }
            std::vector<NLuint> agg;
            const NLuint count = aggregate(strength_graph<S>(a, fine.block, opts.strength), agg);
            const NLuint coarse = count * k;
            if (coarse == 0 || double(coarse) > kStallRatio * a.n) break;
            std::vector<S> coarse_nullspace;
            const double omega = 4.0 / (3.0 * (fine.hi / 1.1));
            fine.p = smoothed_prolongator(
                a, tentative(a, fine.block, k, nullspace, fine.dinv, agg, count, coarse_nullspace), fine.dinv, omega);
            fine.p.col.fit();
            fine.p.val.fit();
            Level<S> next;
            next.own = galerkin(a, fine.block, k, fine.p, agg, count, run_);
            next.own.col.fit();
            next.own.val.fit();
            next.block = k;
            next.b.assign(coarse, S(0.0));
            next.x.assign(coarse, S(0.0));
            nullspace.swap(coarse_nullspace);
            levels_.push_back(std::move(next));
            levels_.back().a = &levels_.back().own;
        }
        Level<S> &last = levels_.back();
        direct_ = last.a->n <= coarse_target_;
        if (direct_) singular_ = !factor_.factor(*last.a, last.block);
        // A coarsest level of our own is only solved through its factor
        // from here on: its entries go, its size stays.
        if (direct_ && levels_.size() > 1) {
            const NLuint n = last.own.n;
            last.own = Matrix<S>();
            last.own.n = n;
            for (auto *v : {&last.d, &last.t}) std::vector<S>().swap(*v);
        }
    }

    bool singular() const { return singular_; }
    // Whether a coarsest-level solve failed since the setup.
    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }
    unsigned levels() const { return static_cast<unsigned>(levels_.size()); }

    // z = B r on the finest level (r, z of M.n values).
    void apply(const S *r, S *z) { cycle(0, r, z); }

private:
    // x = B_l b on level l.
    void cycle(std::size_t l, const S *b, S *x) {
        Level<S> &lv = levels_[l];
        const Matrix<S> &a = *lv.a;
        if (l + 1 == levels_.size()) {
            if (direct_) {
                if (!factor_.solve(b, x, a.n)) failed_ = true;
            } else {
                smooth(lv, b, x);
            }
            return;
        }
        Level<S> &next = levels_[l + 1];
        smooth(lv, b, x);
        residual(lv, b, x);
        restrict_to(lv.p, lv.t.data(), next.b.data());
        cycle(l + 1, next.b.data(), next.x.data());
        const Prolongator<S> &p = lv.p;
        const S *xc = next.x.data();
        run_.rows(a.n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) {
                S s = S(0.0);
                for (std::size_t k = p.start[i]; k < p.start[i + 1]; ++k) s += p.value(k) * xc[p.col[k]];
                x[i] += s;
            }
        });
        residual(lv, b, x);
        smooth(lv, lv.t.data(), x, true);
    }

    // lv.t = b - A x: the smoother's scratch, free between its calls.
    void residual(Level<S> &lv, const S *b, const S *x) {
        const Matrix<S> &a = *lv.a;
        run_.rows(a.n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) lv.t[i] = b[i] - row_dot<S>(a, i, x);
        });
    }

    // bc = P^H r, scattered row by row of P in order.
    static void restrict_to(const Prolongator<S> &p, const S *r, S *bc) {
        std::fill(bc, bc + p.cols, S(0.0));
        for (NLuint i = 0; i < p.rows; ++i) {
            const S ri = r[i];
            for (std::size_t k = p.start[i]; k < p.start[i + 1]; ++k) bc[p.col[k]] += conjugate(p.value(k)) * ri;
        }
    }

    // z = q(D^-1 A) D^-1 b from z = 0: opts_.smoothing Chebyshev steps for
    // D^-1 A's eigenvalues in [hi / kLowRatio, hi]; with add, z += that
    // instead (a post-smoothing step needs no vector of its own). b may be
    // lv.t, which is read before it serves as scratch.
    void smooth(Level<S> &lv, const S *b, S *z, bool add = false) {
        const Matrix<S> &a = *lv.a;
        const double hi = lv.hi, lo = hi / kLowRatio;
        const double theta = 0.5 * (hi + lo), delta = 0.5 * (hi - lo), sigma = theta / delta;
        double rho = 1.0 / sigma;
        S *d = lv.d.data();
        S *t = lv.t.data();  // the running residual
        const double *dinv = lv.dinv.data();
        run_.rows(a.n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) {
                t[i] = b[i];
                d[i] = dinv[i] * b[i] / theta;
                z[i] = add ? z[i] + d[i] : d[i];
            }
        });
        for (unsigned step = 1; step < opts_.smoothing; ++step) {
            const double rho_next = 1.0 / (2.0 * sigma - rho);
            const double keep = rho_next * rho, push = 2.0 * rho_next / delta;
            // t -= A d needs all of d before d changes: two passes.
            run_.rows(a.n, [&](NLuint first, NLuint last) {
                for (NLuint i = first; i < last; ++i) t[i] -= row_dot<S>(a, i, d);
            });
            run_.rows(a.n, [&](NLuint first, NLuint last) {
                for (NLuint i = first; i < last; ++i) {
                    d[i] = keep * d[i] + push * dinv[i] * t[i];
                    z[i] += d[i];
                }
            });
            rho = rho_next;
        }
    }

    Runner &run_;
    AmgOptions opts_;
    std::vector<Level<S>> levels_;
    CoarseFactor factor_;
    NLuint coarse_target_ = 600;
    bool direct_ = false;
    bool failed_ = false;
    bool singular_ = false;
    bool stopped_ = false;
};

// The conjugate gradient of amg_conjugate_gradient() over real or complex
// unknowns (b, x of m.n values each), iterating on x itself: the caller
// keeps x only when completed() says so.
template <class S>
AmgOutcome amg_cg(const Matrix<S> &m, const S *bp, std::vector<S> &x, const CgOptions &options, const AmgOptions &amg) {
    if (m.lower) throw std::invalid_argument("the multigrid solver needs both triangles of M");
    AmgOutcome out;
    const NLuint n = m.n;
    Runner run(options.threads);
    // The setup of a large system takes a while: let the caller stop it.
    Hierarchy<S> h(m, x, amg, run, [&] {
        return !options.progress || options.progress(0, options.max_iterations, 1.0, options.progress_data);
    });
    out.levels = h.levels();
    if (h.stopped()) {
        out.cg.stopped = true;
        return out;
    }
    if (h.singular()) {
        out.singular = true;
        return out;
    }
    // The loop of conjugate_gradient() with z = B r in place of P r.
    std::vector<S> r(n), z(n), d(n), q(n);
    CgOutcome &cg = out.cg;
    auto fail = [&] {
        cg.finite = false;
        return out;
    };
    run.rows(n, [&](NLuint first, NLuint last) {
        for (NLuint i = first; i < last; ++i) r[i] = row_dot<S>(m, i, x.data()) - bp[i];
    });
    double cur = run.sum(n, [&](NLuint i) { return magnitude2(r[i]); });
    const double bb = run.sum(n, [&](NLuint i) { return magnitude2(bp[i]); });
    if (!std::isfinite(cur) || !std::isfinite(bb)) return fail();
    const double err = options.threshold * options.threshold * bb;
    auto relative = [&] { return bb > 0.0 ? std::sqrt(cur / bb) : std::sqrt(cur); };
    double rh = 0.0;
    if (cur > err) {
        h.apply(r.data(), d.data());
        rh = run.sum(n, [&](NLuint i) { return inner(r[i], d[i]); });
        if (!std::isfinite(rh) || h.failed()) return fail();
    }
    if (options.progress && !options.progress(0, options.max_iterations, relative(), options.progress_data)) {
        cg.stopped = true;
        return out;
    }
    while (cur > err && cg.iterations < options.max_iterations) {
        run.rows(n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) q[i] = row_dot<S>(m, i, d.data());
        });
        const double alpha = rh / run.sum(n, [&](NLuint i) { return inner(d[i], q[i]); });
        if (!std::isfinite(alpha)) return fail();
        run.rows(n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) {
                x[i] -= alpha * d[i];
                r[i] -= alpha * q[i];
            }
        });
        cur = run.sum(n, [&](NLuint i) { return magnitude2(r[i]); });
        if (!std::isfinite(cur)) return fail();
        ++cg.iterations;
        if (options.progress &&
            !options.progress(cg.iterations, options.max_iterations, relative(), options.progress_data)) {
            cg.stopped = true;
            return out;
        }
        if (cur <= err) break;
        h.apply(r.data(), z.data());
        const double rh_next = run.sum(n, [&](NLuint i) { return inner(r[i], z[i]); });
        const double beta = rh_next / rh;
        if (!std::isfinite(beta) || h.failed()) return fail();
        run.rows(n, [&](NLuint first, NLuint last) {
            for (NLuint i = first; i < last; ++i) d[i] = z[i] + beta * d[i];
        });
        rh = rh_next;
    }
    if (!std::all_of(x.begin(), x.end(), [](S v) { return std::isfinite(magnitude2(v)); })) return fail();
    cg.error = relative();
    return out;
}

// Whether amg_cg() ran to its end, leaving its last iterate.
bool completed(const AmgOutcome &out) { return !out.singular && !out.cg.stopped && out.cg.finite; }

}  // namespace

AmgOutcome amg_conjugate_gradient(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                                  const CgOptions &options, const AmgOptions &amg) {
    std::vector<double> xs(x);
    const AmgOutcome out = amg_cg<double>(m, b.data(), xs, options, amg);
    if (completed(out)) x.swap(xs);
    return out;
}

AmgOutcome amg_conjugate_gradient(const HermitianMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                                  const CgOptions &options, const AmgOptions &amg) {
    if (b.size() != 2 * std::size_t(m.n) || x.size() != b.size()) throw std::invalid_argument("sizes differ");
    // Interleaved (re, im) pairs are complex numbers' own layout.
    std::vector<Complex> z(m.n);
    for (NLuint k = 0; k < m.n; ++k) z[k] = Complex(x[2 * k], x[2 * k + 1]);
    AmgOptions single = amg;
    single.block = 1;
    const AmgOutcome out = amg_cg<Complex>(m, reinterpret_cast<const Complex *>(b.data()), z, options, single);
    if (!completed(out)) return out;
    for (NLuint k = 0; k < m.n; ++k) {
        x[2 * k] = z[k].real();
        x[2 * k + 1] = z[k].imag();
    }
    return out;
}

}  // namespace nl
