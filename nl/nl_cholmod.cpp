// Supernodal Cholesky through CHOLMOD. The normal matrix is handed over in
// place: a CSR row of a symmetric matrix is also its CSC column, so only
// the column offsets are narrowed to CHOLMOD's int. CHOLMOD then orders
// (AMD, or METIS when AMD fills in badly), factors M = L L^T supernode by
// supernode with BLAS, and solves.
#include "nl_cholmod.h"

#include <cholmod.h>

#include <climits>
#include <cmath>
#include <memory>

namespace nl {

namespace {

// A pivot below this fraction of its diagonal entry is taken for roundoff
// left of an exact zero: the matrix is singular. The pivot of unknown k is
// at least M(k,k) times the smallest eigenvalue of the Jacobi-scaled
// matrix, which stays far above this for any mesh with two pins, while the
// pivots of a system without pins come out near machine precision.
constexpr double kSmallestPivotRatio = 1e-11;

// CHOLMOD's settings and workspace for one solve.
class Common {
public:
    Common() {
        cholmod_start(&c_);
        c_.print = 0;  // failures are reported by the caller, in OpenNL's words
        c_.supernodal = CHOLMOD_SUPERNODAL;
        c_.quick_return_if_not_posdef = 1;
    }
    ~Common() { cholmod_finish(&c_); }
    Common(const Common&) = delete;
    Common& operator=(const Common&) = delete;
    cholmod_common* get() { return &c_; }

private:
    cholmod_common c_;
};

struct FreeFactor {
    cholmod_common* c;
    void operator()(cholmod_factor* f) const { cholmod_free_factor(&f, c); }
};
struct FreeDense {
    cholmod_common* c;
    void operator()(cholmod_dense* d) const { cholmod_free_dense(&d, c); }
};

// The system handed to CHOLMOD: the rows of m with a nonzero diagonal as a
// CSC matrix (upper triangle used) and its right-hand side. When every row
// is kept, the indices, values and right-hand side are m's and b's own.
struct Packed {
    std::vector<int> start;  // column offsets, n + 1
    std::vector<NLuint> kept;  // unknown of m behind each packed one; empty: all
    std::vector<int> rows;     // row indices, when rows were left out
    std::vector<double> vals;  // values, when rows were left out
    std::vector<double> rhs;   // right-hand side, when rows were left out
    cholmod_sparse a{};
    cholmod_dense b{};
};

// Fills p.a and p.b over m and b, leaving out the rows with a zero
// diagonal. False when the system is too large for int indices.
bool pack(const CsrMatrix& m, const std::vector<double>& b, Packed& p) {
    const NLuint n = m.n;
    std::vector<NLuint> number(n, 0);
    NLuint kept = 0;
    for (NLuint i = 0; i < n; ++i) {
        if (m.diagonal(i) != 0.0) number[i] = kept++;
    }
    if (m.val.size() > std::size_t(INT_MAX) || n > NLuint(INT_MAX)) return false;
    void* row_index = const_cast<NLuint*>(m.col.data());  // int and unsigned may alias
    void* values = const_cast<double*>(m.val.data());     // CHOLMOD reads them only
    void* rhs = const_cast<double*>(b.data());
    p.start.assign(std::size_t(kept) + 1, 0);
    if (kept == n) {
        for (NLuint i = 0; i <= n; ++i) p.start[i] = static_cast<int>(m.row_start[i]);
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
    cholmod_sparse& a = p.a;
    a.nrow = a.ncol = kept;
    a.nzmax = static_cast<std::size_t>(p.start[kept]);
    a.p = p.start.data();
    a.i = row_index;
    a.x = values;
    a.stype = 1;  // upper triangle: CHOLMOD's fastest form with a fill-reducing ordering
    a.itype = CHOLMOD_INT;
    a.xtype = CHOLMOD_REAL;
    a.dtype = CHOLMOD_DOUBLE;
    a.sorted = 1;
    a.packed = 1;
    cholmod_dense& d = p.b;
    d.nrow = d.d = d.nzmax = kept;
    d.ncol = 1;
    d.x = rhs;
    d.xtype = CHOLMOD_REAL;
    d.dtype = CHOLMOD_DOUBLE;
    return true;
}

// The smallest ratio of a pivot of the factor to the diagonal entry of a
// (its matrix) at the same unknown; NaN when a pivot is not a number.
// The caller guarantees a factor of a with a positive diagonal.
double smallest_pivot_ratio(const cholmod_factor& f, const cholmod_sparse& a) {
    const int* perm = static_cast<const int*>(f.Perm);
    const int* ap = static_cast<const int*>(a.p);
    const int* ai = static_cast<const int*>(a.i);
    const double* ax = static_cast<const double*>(a.x);
    auto diagonal = [&](int j) {
        for (int k = ap[j]; k < ap[j + 1]; ++k) {
            if (ai[k] == j) return ax[k];
        }
        return 0.0;
    };
    const double* x = static_cast<const double*>(f.x);
    double smallest = 1.0;
    auto see = [&](std::size_t k, double pivot) {
        const double ratio = pivot / diagonal(perm[k]);
        if (!(ratio >= smallest)) smallest = ratio;  // also takes NaN
    };
    if (f.is_super) {
        const int* super = static_cast<const int*>(f.super);
        const int* pi = static_cast<const int*>(f.pi);
        const int* px = static_cast<const int*>(f.px);
        for (std::size_t s = 0; s < f.nsuper; ++s) {
            // Supernode s: a dense column-major block of its columns, with
            // one row per row index; the diagonal comes first in each column.
            const std::size_t rows = static_cast<std::size_t>(pi[s + 1] - pi[s]);
            for (int k = super[s]; k < super[s + 1]; ++k) {
                const std::size_t j = static_cast<std::size_t>(k - super[s]);
                const double l = x[static_cast<std::size_t>(px[s]) + j + j * rows];
                see(static_cast<std::size_t>(k), l * l);
            }
        }
    } else {
        const int* p = static_cast<const int*>(f.p);
        for (std::size_t k = 0; k < f.n; ++k) {
            const double l = x[p[k]];  // L(k,k), or D(k,k) of an L D L^T factor
            see(k, f.is_ll ? l * l : l);
        }
    }
    return smallest;
}

CholeskyOutcome refuse(const char* reason) {
    CholeskyOutcome out;
    out.reason = reason;
    return out;
}

}  // namespace

CholeskyOutcome cholesky_solve(const CsrMatrix& m, const std::vector<double>& b,
                               std::vector<double>& x) {
    Packed p;
    if (!pack(m, b, p)) return refuse("the system is too large for the direct solver");
    std::vector<double> solution = x;
    if (p.a.nrow > 0) {
        Common common;
        cholmod_common* c = common.get();
        std::unique_ptr<cholmod_factor, FreeFactor> factor(cholmod_analyze(&p.a, c), FreeFactor{c});
        if (!factor || c->status < CHOLMOD_OK) {
            return refuse(c->status == CHOLMOD_OUT_OF_MEMORY ? "out of memory in the ordering"
                                                             : "the ordering failed");
        }
        const int factored = cholmod_factorize(&p.a, factor.get(), c);
        if (c->status == CHOLMOD_OUT_OF_MEMORY) return refuse("out of memory in the factorisation");
        if (!factored || c->status == CHOLMOD_NOT_POSDEF || factor->minor < factor->n ||
            !(smallest_pivot_ratio(*factor, p.a) >= kSmallestPivotRatio)) {
            return refuse("the normal matrix is singular (are enough variables locked?)");
        }
        std::unique_ptr<cholmod_dense, FreeDense> solved(
            cholmod_solve(CHOLMOD_A, factor.get(), &p.b, c), FreeDense{c});
        if (!solved || c->status < CHOLMOD_OK) return refuse("the triangular solves failed");
        const double* y = static_cast<const double*>(solved->x);
        for (std::size_t k = 0; k < p.a.nrow; ++k) {
            if (!std::isfinite(y[k])) return refuse("the solution is not finite");
            solution[p.kept.empty() ? k : p.kept[k]] = y[k];
        }
    }

    double rr = 0.0, bb = 0.0;
    for (NLuint i = 0; i < m.n; ++i) {
        const double r = m.row_dot(i, solution.data()) - b[i];
        rr += r * r;
        bb += b[i] * b[i];
    }
    CholeskyOutcome out;
    out.solved = true;
    out.error = bb > 0.0 ? std::sqrt(rr / bb) : std::sqrt(rr);
    x.swap(solution);
    return out;
}

}  // namespace nl
