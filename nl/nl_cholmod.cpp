// Sparse Cholesky through CHOLMOD. The normal matrix is handed over in
// place: a CSR row of a symmetric matrix is also its CSC column, so only
// the column offsets are narrowed to CHOLMOD's int. CHOLMOD then orders
// (AMD, or METIS's nested dissection on large systems when it fills in
// less), factors M = L L^T (by supernodes with BLAS, or by columns when
// the system is small), and solves. Systems of a few thousand unknowns with
// a narrow profile skip CHOLMOD for the envelope factorisation
// (nl_envelope.h), whose whole cost is below CHOLMOD's analysis alone.
//
// Systems whose unknowns pair up as the real and imaginary parts of complex
// unknowns (every 2 x 2 block of M reads [p q; -q p], as in conformal maps,
// where each pair of rows is one complex equation) are factored as the
// Hermitian matrix of half the size: half the flops and half the factor.
#include "nl_cholmod.h"
#include "nl_envelope.h"

#include <cholmod.h>
#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>

namespace nl {

namespace {

// A pivot below this fraction of its diagonal entry is taken for roundoff
// left of an exact zero: the matrix is singular. The pivot of unknown k is
// at least M(k,k) times the smallest eigenvalue of the Jacobi-scaled
// matrix, which stays far above this for any mesh with two pins, while the
// pivots of a system without pins come out near machine precision.
constexpr double kSmallestPivotRatio = 1e-11;

// The thread settings of the libraries under CHOLMOD, found at run time:
// CHOLMOD is linked against whichever BLAS the system provides, and the
// functions are absent when it is not OpenBLAS or CHOLMOD has no OpenMP.
struct ThreadControls {
    int (*get_max_active_levels)() = nullptr;
    void (*set_max_active_levels)(int) = nullptr;
    int (*get_blas_threads)() = nullptr;
    void (*set_blas_threads)(int) = nullptr;
    ThreadControls() {
        get_max_active_levels = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
        set_max_active_levels = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
        get_blas_threads = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
        set_blas_threads = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
    }
};

// Below this many flops a factorisation's BLAS calls are too small to gain
// from a second thread: their start and the helpers' spinning afterwards
// cost more than they save.
constexpr double kThreadedFlops = 2e9;

// For one call into CHOLMOD: its own OpenMP loops run on the calling thread
// alone (they ask for four threads whatever the machine has, and on a
// small matrix their start-up costs more than the loops: a factorisation of
// 20000 unknowns took twice as long), and the BLAS runs on one thread when
// the factorisation has fewer than kThreadedFlops. The caller's settings
// are restored on the way out.
class QuietThreads {
public:
    explicit QuietThreads(double flops) {
        static const ThreadControls controls;
        c_ = &controls;
        if (c_->get_max_active_levels && c_->set_max_active_levels) {
            levels_ = c_->get_max_active_levels();
            c_->set_max_active_levels(0);
        }
        if (flops < kThreadedFlops && c_->get_blas_threads && c_->set_blas_threads) {
            blas_ = c_->get_blas_threads();
            if (blas_ > 1) c_->set_blas_threads(1);
        }
    }
    ~QuietThreads() {
        if (levels_ >= 0) c_->set_max_active_levels(levels_);
        if (blas_ > 1) c_->set_blas_threads(blas_);
    }
    QuietThreads(const QuietThreads &) = delete;
    QuietThreads &operator=(const QuietThreads &) = delete;

private:
    const ThreadControls *c_;
    int levels_ = -1, blas_ = -1;
};

// CHOLMOD's settings and workspace for one solve.
class Common {
public:
    Common() {
        cholmod_start(&c_);
        c_.print = 0;  // failures are reported by the caller, in OpenNL's words
        // CHOLMOD's choice: simplicial when the supernodes would be too
        // small for BLAS to gain (few flops per factor entry). Each
        // supernode's BLAS calls and thread-team start cost more than a
        // small system's arithmetic (a 562-triangle cook: 1.0 to 0.5 ms);
        // with the OpenMP loops kept on one thread (QuietThreads),
        // supernodal wins from about a thousand unknowns.
        c_.supernodal = CHOLMOD_AUTO;
        c_.quick_return_if_not_posdef = 1;
    }
    ~Common() { cholmod_finish(&c_); }
    Common(const Common &) = delete;
    Common &operator=(const Common &) = delete;
    cholmod_common *get() { return &c_; }

private:
    cholmod_common c_;
};

struct FreeFactor {
    cholmod_common *c;
    void operator()(cholmod_factor *f) const { cholmod_free_factor(&f, c); }
};
struct FreeDense {
    cholmod_common *c;
    void operator()(cholmod_dense *d) const { cholmod_free_dense(&d, c); }
};

// The system handed to CHOLMOD: the rows of m with a nonzero diagonal as a
// CSC matrix (upper triangle used) and its right-hand side. When every row
// is kept, the indices, values and right-hand side are m's and b's own.
struct Packed {
    std::vector<int> start;    // column offsets, n + 1
    std::vector<NLuint> kept;  // unknown of m behind each packed one; empty: all
    std::vector<long> packed;  // packed unknown of each of m's, -1 when left out; empty: all kept
    std::vector<int> rows;     // row indices, when rows were left out
    std::vector<double> vals;  // values, when rows were left out
    std::vector<double> rhs;   // right-hand side, when rows were left out
    cholmod_sparse a{};
    cholmod_dense b{};
};

// Points a at an n x n CSC matrix (column offsets start, row indices i,
// values x, upper triangle used) and d at its right-hand side rhs, both of
// the given xtype (CHOLMOD_REAL, or CHOLMOD_COMPLEX with interleaved parts).
void describe(cholmod_sparse &a, cholmod_dense &d, std::size_t n, int *start, void *i, void *x, void *rhs, int xtype) {
    a.nrow = a.ncol = n;
    a.nzmax = static_cast<std::size_t>(start[n]);
    a.p = start;
    a.i = i;
    a.x = x;
    a.stype = 1;  // upper triangle: CHOLMOD's fastest form with a fill-reducing ordering
    a.itype = CHOLMOD_INT;
    a.xtype = xtype;
    a.dtype = CHOLMOD_DOUBLE;
    a.sorted = 1;
    a.packed = 1;
    d.nrow = d.d = d.nzmax = n;
    d.ncol = 1;
    d.x = rhs;
    d.xtype = xtype;
    d.dtype = CHOLMOD_DOUBLE;
}

// Fills p.a and p.b over m and b, leaving out the rows with a zero
// diagonal. False when the system is too large for int indices.
bool pack(const CsrMatrix &m, const std::vector<double> &b, Packed &p) {
    const NLuint n = m.n;
    std::vector<long> &number = p.packed;
    number.assign(n, -1);
    NLuint kept = 0;
    for (NLuint i = 0; i < n; ++i) {
        if (m.diagonal(i) != 0.0) number[i] = kept++;
    }
    if (m.val.size() > std::size_t(INT_MAX) || n > NLuint(INT_MAX)) return false;
    void *row_index = const_cast<NLuint *>(m.col.data());  // int and unsigned may alias
    void *values = const_cast<double *>(m.val.data());     // CHOLMOD reads them only
    void *rhs = const_cast<double *>(b.data());
    p.start.assign(std::size_t(kept) + 1, 0);
    if (kept == n) {
        for (NLuint i = 0; i <= n; ++i) p.start[i] = static_cast<int>(m.row_start[i]);
        std::vector<long>().swap(number);
    } else {
        // Only the upper triangle is copied: CHOLMOD ignores the other.
        for (NLuint i = 0; i < n; ++i) {
            if (m.diagonal(i) == 0.0) continue;
            p.kept.push_back(i);
            for (std::size_t k = m.row_start[i]; k < m.row_start[i + 1] && m.col[k] <= i; ++k) {
                if (m.diagonal(m.col[k]) == 0.0) continue;
                p.rows.push_back(static_cast<int>(number[m.col[k]]));
                p.vals.push_back(m.val[k]);
            }
            p.start[number[i] + 1] = static_cast<int>(p.rows.size());
            p.rhs.push_back(b[i]);
        }
        row_index = p.rows.data();
        values = p.vals.data();
        rhs = p.rhs.data();
    }
    describe(p.a, p.b, kept, p.start.data(), row_index, values, rhs, CHOLMOD_REAL);
    return true;
}

// The smallest ratio of a pivot of the factor to the diagonal entry of a
// (its matrix) at the same unknown; NaN when a pivot is not a number.
// Real and complex factors alike (a complex diagonal entry is real). The
// caller guarantees a factor of a with a positive diagonal.
double smallest_pivot_ratio(const cholmod_factor &f, const cholmod_sparse &a) {
    const std::size_t w = a.xtype == CHOLMOD_COMPLEX ? 2 : 1;  // doubles per entry
    const int *perm = static_cast<const int *>(f.Perm);
    const int *ap = static_cast<const int *>(a.p);
    const int *ai = static_cast<const int *>(a.i);
    const double *ax = static_cast<const double *>(a.x);
    auto diagonal = [&](int j) {
        for (int k = ap[j]; k < ap[j + 1]; ++k) {
            if (ai[k] == j) return ax[w * std::size_t(k)];
        }
        return 0.0;
    };
    const double *x = static_cast<const double *>(f.x);
    double smallest = 1.0;
    auto see = [&](std::size_t k, double pivot) {
        const double ratio = pivot / diagonal(perm[k]);
        if (!(ratio >= smallest)) smallest = ratio;  // also takes NaN
    };
    if (f.is_super) {
        const int *super = static_cast<const int *>(f.super);
        const int *pi = static_cast<const int *>(f.pi);
        const int *px = static_cast<const int *>(f.px);
        for (std::size_t s = 0; s < f.nsuper; ++s) {
            // Supernode s: a dense column-major block of its columns, with
            // one row per row index; the diagonal comes first in each column.
            const std::size_t rows = static_cast<std::size_t>(pi[s + 1] - pi[s]);
            for (int k = super[s]; k < super[s + 1]; ++k) {
                const std::size_t j = static_cast<std::size_t>(k - super[s]);
                const double l = x[w * (static_cast<std::size_t>(px[s]) + j + j * rows)];
                see(static_cast<std::size_t>(k), l * l);
            }
        }
    } else {
        const int *p = static_cast<const int *>(f.p);
        for (std::size_t k = 0; k < f.n; ++k) {
            const double l = x[w * std::size_t(p[k])];  // L(k,k), or D(k,k) of L D L^T
            see(k, f.is_ll ? l * l : l);
        }
    }
    return smallest;
}

// When nested dissection (METIS) is tried besides AMD, and kept if its
// factor is smaller. Repeated factorisations of one pattern (Newton steps)
// try it from this many flops under AMD: on the angle system of a
// 1M-triangle hemisphere (8e10 flops) it cut them by 35% for 2 s of
// ordering, less than it saves on the first factorisation; at 200k
// triangles (4e9) its factor was larger than AMD's and its 0.4 s lost.
constexpr double kNestedDissectionFlops = 2e10;
// A single factorisation (the direct conformal solve) tries it only above
// this many entries of the AMD factor (2.4 GB complex): at 1M triangles
// (4e7 entries) it saved 8% of the peak memory and took 2 s more than AMD
// and the factorisation together, on an idle 2-core machine.
constexpr double kNestedDissectionEntries = 1.5e8;

// A Hermitian factor (a multigrid's coarsest level) is solved in every
// iteration and held throughout: from this many entries under AMD it tries
// nested dissection too and keeps the smaller factor. On the coarsest level
// of a 1M-triangle grid (2e4 unknowns) it cut the entries by a tenth.
constexpr double kNestedDissectionSolvedEntries = 1e6;

// What makes the ordering try METIS.
struct NestedDissection {
    double flops = kNestedDissectionFlops;
    double entries = 0.0;
};

// The symbolic factor of a under the given ordering alone (or the given
// permutation with CHOLMOD_GIVEN); null when it fails.
cholmod_factor *analyse_with(cholmod_sparse &a, const int *perm, int ordering, cholmod_common *c) {
    const int methods = c->nmethods, saved = c->method[0].ordering;
    c->nmethods = 1;
    c->method[0].ordering = ordering;
    cholmod_factor *f = ordering == CHOLMOD_GIVEN ? cholmod_analyze_p(&a, const_cast<int *>(perm), nullptr, 0, c)
                                                  : cholmod_analyze(&a, c);
    c->nmethods = methods;
    c->method[0].ordering = saved;
    if (f && c->status < CHOLMOD_OK) cholmod_free_factor(&f, c);
    return f;
}

// The symbolic factor of a with a fill-reducing ordering: AMD, or METIS's
// nested dissection when the factorisation is large and METIS fills in
// less (see kNestedDissectionFlops). On failure null, with c->status
// telling why.
cholmod_factor *order(cholmod_sparse &a, cholmod_common *c, NestedDissection when = {}) {
    cholmod_factor *amd = analyse_with(a, nullptr, CHOLMOD_AMD, c);
    if (!amd || !(c->fl >= when.flops && c->lnz >= when.entries)) return amd;
    const double lnz = c->lnz, fl = c->fl;
    cholmod_factor *nd = analyse_with(a, nullptr, CHOLMOD_METIS, c);  // null when CHOLMOD has no METIS
    if (nd && c->lnz < lnz) {
        cholmod_free_factor(&amd, c);
        return nd;
    }
    if (nd) cholmod_free_factor(&nd, c);
    c->status = CHOLMOD_OK;  // AMD's factor stands, with its statistics
    c->lnz = lnz;
    c->fl = fl;
    return amd;
}

// The thresholds of when for the graph of a matrix's groups of b unknowns
// whose rows share one pattern: its factor has about 1 / b^2 of the entries
// and 1 / b^3 of the flops of the matrix's.
NestedDissection on_groups(NestedDissection when, int b) {
    const double scale = double(b) * b;
    return {when.flops / (scale * b), when.entries / scale};
}

// The elimination order of g's unknowns that order() chooses; empty when
// it fails, with c->status telling why.
std::vector<int> permutation(cholmod_sparse &g, cholmod_common *c, NestedDissection when) {
    std::vector<int> perm;
    cholmod_factor *f = order(g, c, when);
    if (!f) return perm;
    const int *p = static_cast<const int *>(f->Perm);
    perm.assign(p, p + g.nrow);
    cholmod_free_factor(&f, c);
    return perm;
}

// The order that order (each unknown of a system once, or null) gives the
// n unknowns of a system made from it, unknown u becoming to(u) (negative:
// left out): each comes where the first of its unknowns stands. Empty when
// there is no order or it leaves one of the n out.
template <class To> std::vector<int> induced_order(const std::vector<NLuint> *order, std::size_t n, To to) {
    std::vector<int> out;
    if (!order) return out;
    std::vector<unsigned char> seen(n, 0);
    out.reserve(n);
    for (NLuint u : *order) {
        const long k = to(u);
        if (k < 0 || std::size_t(k) >= n || seen[std::size_t(k)]) continue;
        seen[std::size_t(k)] = 1;
        out.push_back(static_cast<int>(k));
    }
    if (out.size() != n) out.clear();
    return out;
}

// Real unknowns 2k and 2k + 1 are complex unknown k.
long half(NLuint u) { return long(u / 2); }

// Supernodes merged with a quarter of CHOLMOD's default share of explicit
// zeros, for systems of at least kRelaxedZerosFrom unknowns: at 1M
// triangles the peak fell by 7% (1104 to 1022 MiB) at the same
// factorisation time. Smaller systems keep the default: twice the
// supernodes cost a small factorisation twice the time (1000 to 20000
// unknowns), and at 200k triangles the solve 7% more.
constexpr double kRelaxedZeros = 0.25;
constexpr std::size_t kRelaxedZerosFrom = 250000;

// Systems the envelope factorisation takes instead of CHOLMOD: up to
// kEnvelopeUnknowns unknowns whose envelope factor costs at most
// kEnvelopeFlops multiply-adds. Below that, CHOLMOD's ordering and symbolic
// analysis alone take longer than the whole envelope factorisation; at
// 4.4e6 (a complex system of 1087 unknowns) the whole cook was already
// faster with CHOLMOD.
constexpr std::size_t kEnvelopeUnknowns = 5000;
constexpr double kEnvelopeFlops = 4e6;

// Whether envelope is set up for a (an upper triangle by columns, its
// unknowns in groups of block that share their pattern).
bool try_envelope(EnvelopeCholesky &envelope, const cholmod_sparse &a, int block = 1) {
    return a.nrow <= kEnvelopeUnknowns &&
           envelope.analyse(a.nrow, static_cast<const int *>(a.p), static_cast<const int *>(a.i), kEnvelopeFlops,
                            a.xtype == CHOLMOD_COMPLEX, block);
}

// Orders, factors and solves a y = b with CHOLMOD. On success y holds the
// solution (nrow entries, two doubles each when complex) and reason stays
// empty; otherwise reason says why.
// A given order (a.nrow unknowns, each once) replaces the ordering.
void factor_and_solve(cholmod_sparse &a, cholmod_dense &b, std::vector<double> &y, std::string &reason,
                      const std::vector<int> &given = {}) {
    const std::size_t w = a.xtype == CHOLMOD_COMPLEX ? 2 : 1;  // doubles per unknown
    if (EnvelopeCholesky envelope; try_envelope(envelope, a)) {
        if (!envelope.factor(static_cast<const int *>(a.p), static_cast<const int *>(a.i),
                             static_cast<const double *>(a.x), kSmallestPivotRatio)) {
            reason = "the normal matrix is singular (are enough variables locked?)";
            return;
        }
        const double *rhs = static_cast<const double *>(b.x);
        y.assign(rhs, rhs + w * a.nrow);
        envelope.solve(y.data());
        return;
    }
    Common common;
    cholmod_common *c = common.get();
    if (a.nrow >= kRelaxedZerosFrom)
        for (double &z : c->zrelax) z *= kRelaxedZeros;
    cholmod_factor *analysed = given.size() == a.nrow ? analyse_with(a, given.data(), CHOLMOD_GIVEN, c)
                                                      : order(a, c, {0.0, kNestedDissectionEntries});
    std::unique_ptr<cholmod_factor, FreeFactor> factor(analysed, FreeFactor{c});
    if (!factor || c->status < CHOLMOD_OK) {
        reason = c->status == CHOLMOD_OUT_OF_MEMORY ? "out of memory in the ordering" : "the ordering failed";
        return;
    }
    const QuietThreads quiet(c->fl);
    const int factored = cholmod_factorize(&a, factor.get(), c);
    if (c->status == CHOLMOD_OUT_OF_MEMORY) {
        reason = "out of memory in the factorisation";
        return;
    }
    if (!factored || c->status == CHOLMOD_NOT_POSDEF || factor->minor < factor->n ||
        !(smallest_pivot_ratio(*factor, a) >= kSmallestPivotRatio)) {
        reason = "the normal matrix is singular (are enough variables locked?)";
        return;
    }
    std::unique_ptr<cholmod_dense, FreeDense> solved(cholmod_solve(CHOLMOD_A, factor.get(), &b, c), FreeDense{c});
    if (!solved || c->status < CHOLMOD_OK) {
        reason = "the triangular solves failed";
        return;
    }
    factor.reset();  // the factor is the largest block: free it before the copy
    const double *v = static_cast<const double *>(solved->x);
    y.assign(v, v + w * a.nrow);
}

// The Hermitian form of a symmetric m of even size: unknown k of h is
// x[2k] + i x[2k+1]. Set only when every 2 x 2 block of m reads [p q; -q p]
// to roundoff and every diagonal is nonzero.
struct Hermitian {
    std::vector<int> start, rows;
    std::vector<double> vals;  // interleaved real and imaginary parts
    std::vector<double> rhs;   // likewise
    cholmod_sparse a{};
    cholmod_dense b{};
};

// Entries of rows 2j and 2j+1 of m in the block column of the next
// block-column index, walked in step.
struct BlockRowPair {
    const CsrMatrix &m;
    std::size_t k0, e0, k1, e1;  // cursors into rows 2j and 2j+1

    // The next block column I <= limit present in either row, with the
    // block's four entries (0 where not stored); false at the end.
    bool next(NLuint limit, NLuint &block, double (&q)[4]) {
        const NLuint c0 = k0 < e0 ? m.col[k0] / 2 : NLuint(-1);
        const NLuint c1 = k1 < e1 ? m.col[k1] / 2 : NLuint(-1);
        block = std::min(c0, c1);
        if (block == NLuint(-1) || block > limit) return false;
        q[0] = q[1] = q[2] = q[3] = 0.0;
        for (; k0 < e0 && m.col[k0] / 2 == block; ++k0) q[m.col[k0] % 2] = m.val[k0];
        for (; k1 < e1 && m.col[k1] / 2 == block; ++k1) q[2 + m.col[k1] % 2] = m.val[k1];
        // A lower triangle leaves out m(2j, 2j+1): it is m(2j+1, 2j).
        if (m.lower && block == limit) q[1] = q[2];
        return true;
    }
};

// How far two entries that roundoff alone tells apart may lie, relative to
// the geometric mean of their rows' diagonals.
constexpr double kPairTolerance = 1e-9;

bool hermitian_form(const CsrMatrix &m, const std::vector<double> &b, Hermitian &h) {
    const NLuint n = m.n;
    if (n % 2 != 0 || n == 0 || m.val.size() > std::size_t(INT_MAX)) return false;
    const NLuint half = n / 2;
    std::vector<double> scale(half);
    for (NLuint j = 0; j < half; ++j) {
        const double d0 = m.diagonal(2 * j), d1 = m.diagonal(2 * j + 1);
        if (!(d0 > 0.0) || !(d1 > 0.0)) return false;
        scale[j] = std::sqrt(std::max(d0, d1));
    }
    h.start.assign(std::size_t(half) + 1, 0);
    h.rows.reserve(m.val.size() / 8 + half);
    h.vals.reserve(m.val.size() / 4 + 2 * std::size_t(half));
    for (NLuint j = 0; j < half; ++j) {
        // Column j of the upper triangle: h(I, j) = m(2j, 2I) + i m(2j, 2I+1).
        BlockRowPair pair{m, m.row_start[2 * j], m.row_start[2 * j + 1], m.row_start[2 * j + 1],
                          m.row_start[2 * j + 2]};
        NLuint block;
        double q[4];
        while (pair.next(j, block, q)) {
            const double tol = kPairTolerance * scale[block] * scale[j];
            const double re = 0.5 * (q[0] + q[3]), im = block == j ? 0.0 : 0.5 * (q[1] - q[2]);
            if (std::fabs(q[0] - q[3]) > tol || std::fabs(q[1] + q[2]) > tol) return false;
            h.rows.push_back(static_cast<int>(block));
            h.vals.push_back(re);
            h.vals.push_back(im);
        }
        h.start[j + 1] = static_cast<int>(h.rows.size());
    }
    h.rhs.assign(b.begin(), b.end());  // (b[2k], b[2k+1]) is already (re, im)
    describe(h.a, h.b, half, h.start.data(), h.rows.data(), h.vals.data(), h.rhs.data(), CHOLMOD_COMPLEX);
    return true;
}

// |m x - b| / |b| (or |m x - b| when b = 0).
double relative_residual(const CsrMatrix &m, const std::vector<double> &b, const std::vector<double> &x) {
    std::vector<double> mx(m.n);
    m.multiply(x.data(), mx.data());
    double rr = 0.0, bb = 0.0;
    for (NLuint i = 0; i < m.n; ++i) {
        const double r = mx[i] - b[i];
        rr += r * r;
        bb += b[i] * b[i];
    }
    return bb > 0.0 ? std::sqrt(rr / bb) : std::sqrt(rr);
}

// |H z - c| / |c| (or |H z - c| when c = 0) for complex vectors stored as
// interleaved (re, im) pairs.
double hermitian_residual(const HermitianMatrix &h, const std::vector<double> &b, const std::vector<double> &x) {
    using C = std::complex<double>;
    std::vector<C> hz(h.n);
    h.multiply(reinterpret_cast<const C *>(x.data()), hz.data());
    const C *c = reinterpret_cast<const C *>(b.data());
    double rr = 0.0, bb = 0.0;
    for (NLuint j = 0; j < h.n; ++j) {
        rr += std::norm(hz[j] - c[j]);
        bb += std::norm(c[j]);
    }
    return bb > 0.0 ? std::sqrt(rr / bb) : std::sqrt(rr);
}

// A complex solve must reach the residual of the real one; above this the
// pairing was a coincidence of roundoff and the real form decides.
constexpr double kComplexResidual = 1e-10;

CholeskyOutcome refuse(const char *reason) {
    CholeskyOutcome out;
    out.reason = reason;
    return out;
}

// Takes solution, whose relative residual is error, as the result.
CholeskyOutcome accept(std::vector<double> &x, std::vector<double> &solution, double error, bool complex) {
    CholeskyOutcome out;
    out.solved = true;
    out.complex = complex;
    out.error = error;
    x.swap(solution);
    return out;
}

// The solve in Hermitian form; solved is false when m has no such form,
// the factorisation fails or the residual is not at roundoff.
CholeskyOutcome solve_complex(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                              const std::vector<NLuint> *order) {
    CholeskyOutcome out;
    std::vector<double> solution;
    {
        Hermitian h;
        if (!hermitian_form(m, b, h)) return out;
        factor_and_solve(h.a, h.b, solution, out.reason, induced_order(order, h.a.nrow, half));
    }
    if (!out.reason.empty()) return out;
    for (double v : solution) {
        if (!std::isfinite(v)) return refuse("the solution is not finite");
    }
    const double error = relative_residual(m, b, solution);
    if (!(error <= kComplexResidual)) return out;
    return accept(x, solution, error, true);
}

CholeskyOutcome solve_real(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                           const std::vector<NLuint> *order) {
    Packed p;
    if (!pack(m, b, p)) return refuse("the system is too large for the direct solver");
    std::vector<double> solution = x;
    if (p.a.nrow > 0) {
        const std::vector<int> given = induced_order(order, p.a.nrow, [&](NLuint u) {
            return p.packed.empty() ? long(u) : u < p.packed.size() ? p.packed[u] : -1L;
        });
        std::vector<double> y;
        std::string reason;
        factor_and_solve(p.a, p.b, y, reason, given);
        if (!reason.empty()) return refuse(reason.c_str());
        for (std::size_t k = 0; k < p.a.nrow; ++k) {
            if (!std::isfinite(y[k])) return refuse("the solution is not finite");
            solution[p.kept.empty() ? k : p.kept[k]] = y[k];
        }
    }
    return accept(x, solution, relative_residual(m, b, solution), false);
}

}  // namespace

CholeskyOutcome cholesky_solve(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                               bool allow_complex, const std::vector<NLuint> *order) {
    if (allow_complex) {
        CholeskyOutcome out = solve_complex(m, b, x, order);
        // A singular Hermitian form is a singular real one: no second try.
        if (out.solved || out.reason.find("singular") != std::string::npos) return out;
    }
    return solve_real(m, b, x, order);
}

CholeskyOutcome cholesky_solve_hermitian(const HermitianMatrix &h, const std::vector<double> &b, std::vector<double> &x,
                                         const std::vector<NLuint> *order) {
    bool positive = h.val.size() <= std::size_t(INT_MAX) && h.n <= NLuint(INT_MAX);
    for (NLuint j = 0; j < h.n && positive; ++j) {
        // Rows of a column increase up to the diagonal, which comes last.
        const std::size_t last = h.row_start[j + 1];
        positive = last > h.row_start[j] && h.col[last - 1] == j && h.val[last - 1].real() > 0.0;
    }
    if (positive) {
        std::vector<int> start(std::size_t(h.n) + 1);
        for (NLuint j = 0; j <= h.n; ++j) start[j] = static_cast<int>(h.row_start[j]);
        cholmod_sparse a{};
        cholmod_dense d{};
        // CHOLMOD reads the entries and the right-hand side only.
        describe(a, d, h.n, start.data(), const_cast<NLuint *>(h.col.data()),
                 const_cast<std::complex<double> *>(h.val.data()), const_cast<double *>(b.data()), CHOLMOD_COMPLEX);
        std::vector<double> solution;
        std::string reason;
        factor_and_solve(a, d, solution, reason, induced_order(order, h.n, half));
        if (reason.find("singular") != std::string::npos) return refuse(reason.c_str());
        if (reason.empty() &&
            std::all_of(solution.begin(), solution.end(), [](double v) { return std::isfinite(v); })) {
            const double error = hermitian_residual(h, b, solution);
            if (error <= kComplexResidual) return accept(x, solution, error, true);
        }
    }
    return solve_real(real_lower_triangle(h), b, x, order);
}

struct SparseCholesky::State {
    Common common;
    EnvelopeCholesky envelope;
    bool enveloped = false;  // envelope factors it instead of CHOLMOD
    cholmod_factor *factor = nullptr;
    std::vector<int> start;  // m's row offsets narrowed to CHOLMOD's int
    cholmod_sparse a{};
    double flops = 0.0;  // of one factorisation, from the analysis
    // When the ordering tries nested dissection (see NestedDissection).
    double nd_flops = kNestedDissectionFlops, nd_entries = 0.0;
    ~State() {
        if (factor) cholmod_free_factor(&factor, common.get());
    }
};

SparseCholesky::SparseCholesky() : state_(new State) {}
SparseCholesky::~SparseCholesky() { delete state_; }

namespace {

// The elimination order of the groups of b unknowns of m (lower triangle,
// every group's rows sharing one pattern), made on the graph of the groups;
// empty when the ordering fails.
std::vector<int> group_order(const CsrMatrix &m, int b, cholmod_common *c, NestedDissection when) {
    const std::size_t nb = m.n / std::size_t(b);
    std::vector<int> start(nb + 1, 0), rows;
    rows.reserve(m.val.size() / std::size_t(b * b) + nb);
    for (std::size_t k = 0; k < nb; ++k) {
        // The first row of block row k names every block column of it.
        const std::size_t r = k * std::size_t(b);
        for (std::size_t e = m.row_start[r]; e < m.row_start[r + 1]; ++e) {
            const int j = static_cast<int>(m.col[e] / NLuint(b));
            if (rows.size() == std::size_t(start[k]) || rows.back() != j) rows.push_back(j);
        }
        start[k + 1] = static_cast<int>(rows.size());
    }
    cholmod_sparse g{};
    cholmod_dense unused{};
    describe(g, unused, nb, start.data(), rows.data(), nullptr, nullptr, CHOLMOD_PATTERN);
    return permutation(g, c, on_groups(when, b));
}

// The symbolic factor of a (the lower triangle of blocks, when given)
// under a fill-reducing ordering, or under groups when it is not null: the
// order of the groups (of the unknowns, without blocks). With blocks of
// b > 1 unknowns that share their pattern, the ordering is made on the
// graph of the blocks, b^2 times smaller, and each block's unknowns are
// kept together in it.
cholmod_factor *analyse(cholmod_sparse &a, const CsrMatrix *blocks, int b, const std::vector<int> *groups,
                        cholmod_common *c, NestedDissection when) {
    if (!blocks || b <= 1 || blocks->n % NLuint(b) != 0) {
        if (groups && groups->size() == a.nrow) return analyse_with(a, groups->data(), CHOLMOD_GIVEN, c);
        return order(a, c, when);
    }
    const std::size_t nb = blocks->n / std::size_t(b);
    std::vector<int> made;
    if (!groups || groups->size() != nb) {
        made = group_order(*blocks, b, c, when);
        if (made.empty()) return nullptr;
        groups = &made;
    }
    std::vector<int> perm(blocks->n);
    for (std::size_t k = 0; k < nb; ++k)
        for (int i = 0; i < b; ++i) perm[k * std::size_t(b) + std::size_t(i)] = (*groups)[k] * b + i;
    return analyse_with(a, perm.data(), CHOLMOD_GIVEN, c);
}

}  // namespace

bool takes_elimination_order(std::size_t n) { return n > kEnvelopeUnknowns; }

std::vector<int> elimination_order(const std::vector<int> &start, const std::vector<int> &rows, int block) {
    if (start.size() < 2 || block < 1 || start.size() - 1 > std::size_t(INT_MAX) || start.front() != 0 ||
        std::size_t(start.back()) != rows.size())
        return {};
    Common common;
    cholmod_sparse g{};
    cholmod_dense unused{};
    describe(g, unused, start.size() - 1, const_cast<int *>(start.data()), const_cast<int *>(rows.data()), nullptr,
             nullptr, CHOLMOD_PATTERN);
    return permutation(g, common.get(), on_groups({}, block));
}

bool SparseCholesky::factor(const CsrMatrix &m, std::string &reason, int block, const std::vector<int> *groups) {
    State &s = *state_;
    if (m.val.size() > std::size_t(INT_MAX) || m.n > NLuint(INT_MAX)) {
        reason = "the system is too large for the direct solver";
        return false;
    }
    s.start.resize(std::size_t(m.n) + 1);
    for (NLuint i = 0; i <= m.n; ++i) s.start[i] = static_cast<int>(m.row_start[i]);
    cholmod_dense unused{};
    describe(s.a, unused, m.n, s.start.data(), const_cast<NLuint *>(m.col.data()), const_cast<double *>(m.val.data()),
             nullptr, CHOLMOD_REAL);
    return factor_described(&m, block, groups, reason);
}

bool SparseCholesky::factor(const HermitianMatrix &h, std::string &reason) {
    State &s = *state_;
    if (!h.lower || h.val.size() > std::size_t(INT_MAX) || h.n > NLuint(INT_MAX)) {
        reason = h.lower ? "the system is too large for the direct solver" : "the matrix is not stored by columns";
        return false;
    }
    s.start.resize(std::size_t(h.n) + 1);
    for (NLuint i = 0; i <= h.n; ++i) s.start[i] = static_cast<int>(h.row_start[i]);
    cholmod_dense unused{};
    describe(s.a, unused, h.n, s.start.data(), const_cast<NLuint *>(h.col.data()),
             const_cast<std::complex<double> *>(h.val.data()), nullptr, CHOLMOD_COMPLEX);
    s.nd_flops = 0.0;
    s.nd_entries = kNestedDissectionSolvedEntries;
    return factor_described(nullptr, 1, nullptr, reason);
}

bool SparseCholesky::factor_described(const CsrMatrix *m, int block, const std::vector<int> *groups,
                                      std::string &reason) {
    State &s = *state_;
    cholmod_common *c = s.common.get();
    if (!s.factor && !s.enveloped) s.enveloped = try_envelope(s.envelope, s.a, m ? block : 1);
    if (s.enveloped) {
        if (s.envelope.factor(static_cast<const int *>(s.a.p), static_cast<const int *>(s.a.i),
                              static_cast<const double *>(s.a.x), kSmallestPivotRatio))
            return true;
        reason = "the matrix is singular";
        return false;
    }
    if (!s.factor) {
        s.factor = analyse(s.a, m, block, groups, c, {s.nd_flops, s.nd_entries});
        if (!s.factor || c->status < CHOLMOD_OK) {
            reason = c->status == CHOLMOD_OUT_OF_MEMORY ? "out of memory in the ordering" : "the ordering failed";
            return false;
        }
        s.flops = c->fl;
    }
    const QuietThreads quiet(s.flops);
    const int factored = cholmod_factorize(&s.a, s.factor, c);
    if (c->status == CHOLMOD_OUT_OF_MEMORY) {
        reason = "out of memory in the factorisation";
        return false;
    }
    if (!factored || c->status == CHOLMOD_NOT_POSDEF || s.factor->minor < s.factor->n ||
        !(smallest_pivot_ratio(*s.factor, s.a) >= kSmallestPivotRatio)) {
        reason = "the matrix is singular";
        return false;
    }
    return true;
}

bool SparseCholesky::solve(const std::vector<double> &b, std::vector<double> &x) {
    State &s = *state_;
    const std::size_t w = s.a.xtype == CHOLMOD_COMPLEX ? 2 : 1;  // doubles per unknown
    if (b.size() != w * s.a.nrow) return false;
    if (s.enveloped) {
        if (!s.envelope.factored()) return false;
        x = b;
        s.envelope.solve(x.data());
        return std::all_of(x.begin(), x.end(), [](double e) { return std::isfinite(e); });
    }
    if (!s.factor) return false;
    cholmod_dense d{};
    d.nrow = d.d = d.nzmax = s.a.nrow;
    d.ncol = 1;
    d.x = const_cast<double *>(b.data());
    d.xtype = s.a.xtype;
    d.dtype = CHOLMOD_DOUBLE;
    cholmod_common *c = s.common.get();
    const QuietThreads quiet(s.flops);
    std::unique_ptr<cholmod_dense, FreeDense> solved(cholmod_solve(CHOLMOD_A, s.factor, &d, c), FreeDense{c});
    if (!solved || c->status < CHOLMOD_OK) return false;
    const double *v = static_cast<const double *>(solved->x);
    x.assign(v, v + b.size());
    for (double e : x) {
        if (!std::isfinite(e)) return false;
    }
    return true;
}

}  // namespace nl
