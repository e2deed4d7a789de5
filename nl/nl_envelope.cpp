// Envelope Cholesky: a reverse Cuthill-McKee ordering, then L L^H row by
// row, each row of L dense from its first entry to the diagonal.
#include "nl_envelope.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace nl {

namespace {

using Complex = std::complex<double>;

// The pattern's graph with both directions of every edge and no loops.
struct Graph {
    std::vector<int> start, adj;
    int degree(int v) const { return start[std::size_t(v) + 1] - start[std::size_t(v)]; }
};

// The graph of the groups of b consecutive unknowns (n / b nodes): the
// first column of each group names every group it couples with.
Graph graph_of(std::size_t n, const int *start, const int *row, std::size_t b) {
    const std::size_t groups = n / b;
    Graph g;
    g.start.assign(groups + 1, 0);
    auto each_edge = [&](auto f) {
        for (std::size_t j = 0; j < n; j += b)
            for (int k = start[j]; k < start[j + 1]; ++k)
                if (std::size_t(row[k]) / b != j / b) f(row[k] / int(b), int(j / b));
    };
    each_edge([&](int u, int v) {
        ++g.start[std::size_t(u) + 1];
        ++g.start[std::size_t(v) + 1];
    });
    for (std::size_t v = 0; v < groups; ++v) g.start[v + 1] += g.start[v];
    g.adj.resize(std::size_t(g.start[groups]));
    std::vector<int> fill(g.start.begin(), g.start.end() - 1);
    each_edge([&](int u, int v) {
        g.adj[std::size_t(fill[std::size_t(u)]++)] = v;
        g.adj[std::size_t(fill[std::size_t(v)]++)] = u;
    });
    return g;
}

// Breadth-first search from s over the nodes not yet numbered: queue
// receives them level by level. Returns the number of the last level;
// last receives the node of least degree in it.
int levels(const Graph &g, int s, const std::vector<char> &numbered, std::vector<int> &depth, std::vector<int> &queue,
           int &last) {
    queue.assign(1, s);
    depth[std::size_t(s)] = 0;
    for (std::size_t h = 0; h < queue.size(); ++h) {
        const int v = queue[h];
        for (int k = g.start[std::size_t(v)]; k < g.start[std::size_t(v) + 1]; ++k) {
            const int u = g.adj[std::size_t(k)];
            if (numbered[std::size_t(u)] || depth[std::size_t(u)] >= 0) continue;
            depth[std::size_t(u)] = depth[std::size_t(v)] + 1;
            queue.push_back(u);
        }
    }
    const int deepest = depth[std::size_t(queue.back())];
    last = queue.back();
    for (int v : queue) {
        if (depth[std::size_t(v)] == deepest && g.degree(v) < g.degree(last)) last = v;
        depth[std::size_t(v)] = -1;
    }
    return deepest;
}

// Reverse Cuthill-McKee: each connected part numbered breadth first from a
// node of near-greatest eccentricity (a few searches, after George and
// Liu), neighbours by increasing degree, and the whole order reversed.
// Returns the new index of every node.
std::vector<int> reverse_cuthill_mckee(const Graph &g, std::size_t n) {
    std::vector<char> numbered(n, 0);
    std::vector<int> depth(n, -1), queue, order;
    order.reserve(n);
    for (std::size_t seed = 0; seed < n; ++seed) {
        if (numbered[seed]) continue;
        int s = int(seed), far = s;
        int ecc = levels(g, s, numbered, depth, queue, far);
        for (int round = 0; round < 4 && far != s; ++round) {
            int next = far;
            const int e = levels(g, far, numbered, depth, queue, next);
            if (e <= ecc) break;
            s = far;
            ecc = e;
            far = next;
        }
        const std::size_t begin = order.size();
        order.push_back(s);
        numbered[std::size_t(s)] = 1;
        for (std::size_t h = begin; h < order.size(); ++h) {
            const int v = order[h];
            const std::size_t from = order.size();
            for (int k = g.start[std::size_t(v)]; k < g.start[std::size_t(v) + 1]; ++k) {
                const int u = g.adj[std::size_t(k)];
                if (numbered[std::size_t(u)]) continue;
                numbered[std::size_t(u)] = 1;
                order.push_back(u);
            }
            // A handful of neighbours: insertion sort, stable and without
            // the temporary buffer of std::stable_sort.
            for (std::size_t i = from + 1; i < order.size(); ++i) {
                const int u = order[i];
                std::size_t j = i;
                for (; j > from && g.degree(order[j - 1]) > g.degree(u); --j) order[j] = order[j - 1];
                order[j] = u;
            }
        }
    }
    std::vector<int> perm(n);
    for (std::size_t k = 0; k < n; ++k) perm[std::size_t(order[n - 1 - k])] = int(k);
    return perm;
}

// sum a[k] conj(b[k]) over len entries, real or complex. Rows are short
// (tens of entries): four running sums break the chain of dependent
// additions without a vector loop's set-up.
inline double dot_conj(const double *a, const double *b, std::size_t len) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    std::size_t k = 0;
    for (; k + 4 <= len; k += 4) {
        s0 += a[k] * b[k];
        s1 += a[k + 1] * b[k + 1];
        s2 += a[k + 2] * b[k + 2];
        s3 += a[k + 3] * b[k + 3];
    }
    for (; k < len; ++k) s0 += a[k] * b[k];
    return (s0 + s1) + (s2 + s3);
}
inline Complex dot_conj(const Complex *a, const Complex *b, std::size_t len) {
    const double *x = reinterpret_cast<const double *>(a), *y = reinterpret_cast<const double *>(b);
    double r0 = 0.0, r1 = 0.0, i0 = 0.0, i1 = 0.0;
    for (std::size_t k = 0; k < 2 * len; k += 2) {
        r0 += x[k] * y[k];
        r1 += x[k + 1] * y[k + 1];
        i0 += x[k + 1] * y[k];
        i1 -= x[k] * y[k + 1];
    }
    return {r0 + r1, i0 + i1};
}
// sum a[k] b[k] (no conjugate), for the forward solve.
inline double dot(const double *a, const double *b, std::size_t len) { return dot_conj(a, b, len); }
inline Complex dot(const Complex *a, const Complex *b, std::size_t len) {
    const double *x = reinterpret_cast<const double *>(a), *y = reinterpret_cast<const double *>(b);
    double r0 = 0.0, r1 = 0.0, i0 = 0.0, i1 = 0.0;
    for (std::size_t k = 0; k < 2 * len; k += 2) {
        r0 += x[k] * y[k];
        r1 -= x[k + 1] * y[k + 1];
        i0 += x[k + 1] * y[k];
        i1 += x[k] * y[k + 1];
    }
    return {r0 + r1, i0 + i1};
}

inline double conj_of(double v) { return v; }
inline Complex conj_of(Complex v) { return std::conj(v); }
inline double real_of(double v) { return v; }
inline double real_of(Complex v) { return v.real(); }

}  // namespace

bool EnvelopeCholesky::analyse(std::size_t n, const int *start, const int *row, double max_flops, bool complex,
                               int block) {
    *this = EnvelopeCholesky();
    const std::size_t b = block > 1 && n % std::size_t(block) == 0 ? std::size_t(block) : 1;
    const Graph g = graph_of(n, start, row, b);
    const std::vector<int> order = reverse_cuthill_mckee(g, n / b);
    std::vector<int> perm(n);
    for (std::size_t v = 0; v < n; ++v) perm[v] = order[v / b] * int(b) + int(v % b);
    // A row's first column: that of its group's earliest neighbour group,
    // or of its own group.
    std::vector<int> first(n);
    for (std::size_t u = 0; u < n / b; ++u) {
        int lo = order[u];
        for (int k = g.start[u]; k < g.start[u + 1]; ++k) lo = std::min(lo, order[std::size_t(g.adj[std::size_t(k)])]);
        for (std::size_t i = 0; i < b; ++i) first[std::size_t(order[u]) * b + i] = lo * int(b);
    }
    // Row r's entry c costs a dot product over at most c - first[r] + 1
    // columns: w (w + 1) / 2 for a row of w entries left of the diagonal,
    // within a few percent of the exact count on meshes.
    const double weight = complex ? 4.0 : 1.0;
    double flops = 0.0;
    for (std::size_t r = 0; r < n; ++r) {
        const double w = double(r) - double(first[r]);
        flops += weight * w * (w + 1.0) / 2.0;
    }
    if (flops > max_flops) return false;
    n_ = n;
    complex_ = complex;
    flops_ = flops;
    perm_ = std::move(perm);
    first_ = std::move(first);
    off_.assign(n + 1, 0);
    for (std::size_t r = 0; r < n; ++r) off_[r + 1] = off_[r] + (r - std::size_t(first_[r]) + 1);
    return true;
}

bool EnvelopeCholesky::factor(const int *start, const int *row, const double *x, double min_pivot_ratio) {
    if (complex_) return factor_as(start, row, reinterpret_cast<const Complex *>(x), min_pivot_ratio);
    return factor_as(start, row, x, min_pivot_ratio);
}

template <class S>
bool EnvelopeCholesky::factor_as(const int *start, const int *row, const S *x, double min_pivot_ratio) {
    const std::size_t w = complex_ ? 2 : 1;
    factored_ = false;
    l_.assign(w * off_[n_], 0.0);
    S *l = reinterpret_cast<S *>(l_.data());
    auto at = [&](int r, int c) -> S & { return l[off_[std::size_t(r)] + std::size_t(c - first_[std::size_t(r)])]; };
    // Column j's entry (i, j), i <= j, is a(i, j); a(j, i) is its conjugate.
    for (std::size_t j = 0; j < n_; ++j)
        for (int k = start[j]; k < start[j + 1]; ++k) {
            const int r = perm_[std::size_t(row[k])], c = perm_[j];
            if (r >= c)
                at(r, c) = x[k];
            else
                at(c, r) = conj_of(x[k]);
        }
    std::vector<double> inverse(n_);
    for (std::size_t r = 0; r < n_; ++r) {
        const int f = first_[r];
        S *lr = &at(int(r), f);
        for (int c = f; c < int(r); ++c) {
            const int lo = std::max(f, first_[std::size_t(c)]);
            const S s = lr[c - f] - dot_conj(lr + (lo - f), &at(c, lo), std::size_t(c - lo));
            lr[c - f] = s * inverse[std::size_t(c)];
        }
        const double diagonal = real_of(lr[int(r) - f]);
        const double pivot = diagonal - real_of(dot_conj(lr, lr, std::size_t(int(r) - f)));
        if (!(pivot > 0.0) || !(pivot >= min_pivot_ratio * diagonal)) {
            l_.clear();
            return false;
        }
        lr[int(r) - f] = std::sqrt(pivot);
        inverse[r] = 1.0 / std::sqrt(pivot);
    }
    factored_ = true;
    return true;
}

void EnvelopeCholesky::solve(double *b) const {
    if (complex_)
        solve_as(reinterpret_cast<Complex *>(b));
    else
        solve_as(b);
}

template <class S>
void EnvelopeCholesky::solve_as(S *b) const {
    const S *l = reinterpret_cast<const S *>(l_.data());
    std::vector<S> y(n_);
    for (std::size_t v = 0; v < n_; ++v) y[std::size_t(perm_[v])] = b[v];
    // L y = P b, then L^H z = y.
    for (std::size_t r = 0; r < n_; ++r) {
        const std::size_t f = std::size_t(first_[r]);
        const S *lr = l + off_[r];
        y[r] = (y[r] - dot(lr, &y[f], r - f)) / real_of(lr[r - f]);
    }
    for (std::size_t r = n_; r-- > 0;) {
        const std::size_t f = std::size_t(first_[r]);
        const S *lr = l + off_[r];
        const S v = y[r] / real_of(lr[r - f]);
        y[r] = v;
        for (std::size_t c = f; c < r; ++c) y[c] -= conj_of(lr[c - f]) * v;
    }
    for (std::size_t v = 0; v < n_; ++v) b[v] = y[std::size_t(perm_[v])];
}

}  // namespace nl
