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
    // Groups of one or two (the common cases) without an integer division
    // per entry, which would cost more than the rest of the graph.
    const int shift = b == 1 ? 0 : b == 2 ? 1 : -1;
    auto group = [&](int r) { return shift >= 0 ? r >> shift : r / int(b); };
    auto each_edge = [&](auto f) {
        for (std::size_t u = 0; u < groups; ++u) {
            const std::size_t j = u * b;
            for (int k = start[j]; k < start[j + 1]; ++k)
                if (const int v = group(row[k]); v != int(u)) f(v, int(u));
        }
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

// Breadth-first search from s over its connected part (none of whose
// nodes is numbered yet): queue receives them level by level. Returns the
// number of the last level; last receives the node of least degree in it.
// depth is -1 on every node before and after.
int levels(const Graph &g, int s, std::vector<int> &depth, std::vector<int> &queue, int &last) {
    queue.assign(1, s);
    depth[std::size_t(s)] = 0;
    for (std::size_t h = 0; h < queue.size(); ++h) {
        const int v = queue[h];
        for (int k = g.start[std::size_t(v)]; k < g.start[std::size_t(v) + 1]; ++k) {
            const int u = g.adj[std::size_t(k)];
            if (depth[std::size_t(u)] >= 0) continue;
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
        int ecc = levels(g, s, depth, queue, far);
        for (int round = 0; round < 4 && far != s; ++round) {
            int next = far;
            const int e = levels(g, far, depth, queue, next);
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

// Two doubles in one SSE2 register: the kernels below name their vector
// arithmetic so that the compiler need not find it, and every x86-64 runs it.
typedef double V2 __attribute__((vector_size(16)));
inline V2 load2(const double *p) {
    V2 v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}
inline V2 swap2(V2 v) { return V2{v[1], v[0]}; }

// sum a[k] conj(b[k]) over len entries (Conj), or sum a[k] b[k] (for the
// forward solve); real or complex. Rows are short (tens of entries), so
// the time is the chain of dependent additions: four independent sums of
// two lanes each shorten it.
template <bool Conj> inline double dot(const double *a, const double *b, std::size_t len) {
    V2 s0 = {0.0, 0.0}, s1 = s0, s2 = s0, s3 = s0;
    std::size_t k = 0;
    for (; k + 8 <= len; k += 8) {
        s0 += load2(a + k) * load2(b + k);
        s1 += load2(a + k + 2) * load2(b + k + 2);
        s2 += load2(a + k + 4) * load2(b + k + 4);
        s3 += load2(a + k + 6) * load2(b + k + 6);
    }
    for (; k + 2 <= len; k += 2) s0 += load2(a + k) * load2(b + k);
    const V2 s = (s0 + s1) + (s2 + s3);
    return k < len ? (s[0] + s[1]) + a[k] * b[k] : s[0] + s[1];
}
// Complex entries as (re, im) pairs: the lanes of p sum the products of
// equal parts, those of q of crossed parts.
template <bool Conj> inline Complex complex_of(V2 p, V2 q) {
    // a b = (ar br - ai bi, ai br + ar bi); a conj(b) = (ar br + ai bi, ai br - ar bi)
    return Conj ? Complex(p[0] + p[1], q[1] - q[0]) : Complex(p[0] - p[1], q[1] + q[0]);
}
template <bool Conj> inline Complex dot(const Complex *a, const Complex *b, std::size_t len) {
    const double *x = reinterpret_cast<const double *>(a), *y = reinterpret_cast<const double *>(b);
    V2 p0 = {0.0, 0.0}, p1 = p0, q0 = p0, q1 = p0;
    std::size_t k = 0;
    for (; k + 2 <= len; k += 2) {
        const V2 x0 = load2(x + 2 * k), y0 = load2(y + 2 * k), x1 = load2(x + 2 * k + 2), y1 = load2(y + 2 * k + 2);
        p0 += x0 * y0;
        q0 += x0 * swap2(y0);
        p1 += x1 * y1;
        q1 += x1 * swap2(y1);
    }
    if (k < len) {
        const V2 x0 = load2(x + 2 * k), y0 = load2(y + 2 * k);
        p0 += x0 * y0;
        q0 += x0 * swap2(y0);
    }
    return complex_of<Conj>(p0 + p1, q0 + q1);
}

// The dot products of rows a0 and a1 with b, as dot<Conj>(a0, b) and
// dot<Conj>(a1, b), each load of b serving both.
template <bool Conj>
inline void dot2(const double *a0, const double *a1, const double *b, std::size_t len, double &s0, double &s1) {
    V2 p0 = {0.0, 0.0}, p1 = p0, q0 = p0, q1 = p0;
    std::size_t k = 0;
    for (; k + 4 <= len; k += 4) {
        const V2 b0 = load2(b + k), b1 = load2(b + k + 2);
        p0 += load2(a0 + k) * b0;
        q0 += load2(a1 + k) * b0;
        p1 += load2(a0 + k + 2) * b1;
        q1 += load2(a1 + k + 2) * b1;
    }
    if (k + 2 <= len) {
        const V2 b0 = load2(b + k);
        p0 += load2(a0 + k) * b0;
        q0 += load2(a1 + k) * b0;
        k += 2;
    }
    const V2 p = p0 + p1, q = q0 + q1;
    s0 = p[0] + p[1];
    s1 = q[0] + q[1];
    if (k < len) {
        s0 += a0[k] * b[k];
        s1 += a1[k] * b[k];
    }
}
template <bool Conj>
inline void dot2(const Complex *a0, const Complex *a1, const Complex *b, std::size_t len, Complex &s0, Complex &s1) {
    const double *x = reinterpret_cast<const double *>(a0), *y = reinterpret_cast<const double *>(a1),
                 *z = reinterpret_cast<const double *>(b);
    V2 xp = {0.0, 0.0}, xq = xp, yp = xp, yq = xp;
    for (std::size_t k = 0; k < 2 * len; k += 2) {
        const V2 zk = load2(z + k), zs = swap2(zk), xk = load2(x + k), yk = load2(y + k);
        xp += xk * zk;
        xq += xk * zs;
        yp += yk * zk;
        yq += yk * zs;
    }
    s0 = complex_of<Conj>(xp, xq);
    s1 = complex_of<Conj>(yp, yq);
}

// The four dot products of rows a0, a1 with rows b0, b1 (sab = a . b),
// each load serving two.
template <bool Conj>
inline void dot2x2(const double *a0, const double *a1, const double *b0, const double *b1, std::size_t len, double &s00,
                   double &s01, double &s10, double &s11) {
    V2 p00 = {0.0, 0.0}, p01 = p00, p10 = p00, p11 = p00;
    std::size_t k = 0;
    for (; k + 2 <= len; k += 2) {
        const V2 x0 = load2(a0 + k), x1 = load2(a1 + k), y0 = load2(b0 + k), y1 = load2(b1 + k);
        p00 += x0 * y0;
        p01 += x0 * y1;
        p10 += x1 * y0;
        p11 += x1 * y1;
    }
    s00 = p00[0] + p00[1];
    s01 = p01[0] + p01[1];
    s10 = p10[0] + p10[1];
    s11 = p11[0] + p11[1];
    if (k < len) {
        s00 += a0[k] * b0[k];
        s01 += a0[k] * b1[k];
        s10 += a1[k] * b0[k];
        s11 += a1[k] * b1[k];
    }
}
template <bool Conj>
inline void dot2x2(const Complex *a0, const Complex *a1, const Complex *b0, const Complex *b1, std::size_t len,
                   Complex &s00, Complex &s01, Complex &s10, Complex &s11) {
    dot2<Conj>(a0, a1, b0, len, s00, s10);
    dot2<Conj>(a0, a1, b1, len, s01, s11);
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
    for (std::size_t u = 0; u < n / b; ++u)
        for (std::size_t i = 0; i < b; ++i) perm[u * b + i] = order[u] * int(b) + int(i);
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
    // Consecutive rows with one first column are factored and solved as
    // pairs, greedily from the top.
    pair_.assign(n, 0);
    for (std::size_t r = 0; r + 1 < n; ++r)
        if (first_[r + 1] == first_[r]) pair_[r++] = 1;
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
    inverse_.resize(n_);
    double *inverse = inverse_.data();
    // Row r's pivot, from its entries left of the diagonal (w of them).
    auto pivot = [&](S *lr, int w, std::size_t r) {
        const double diagonal = real_of(lr[w]);
        const double p = diagonal - real_of(dot<true>(lr, lr, std::size_t(w)));
        if (!(p > 0.0) || !(p >= min_pivot_ratio * diagonal)) return false;
        lr[w] = std::sqrt(p);
        inverse[r] = 1.0 / std::sqrt(p);
        return true;
    };
    for (std::size_t r = 0; r < n_; r += pair_[r] ? 2 : 1) {
        const int f = first_[r];
        S *l0 = &at(int(r), f);
        S *l1 = pair_[r] ? &at(int(r) + 1, f) : nullptr;
        for (int c = f; c < int(r); ++c) {
            const int lo = std::max(f, first_[std::size_t(c)]);
            const S *lc = &at(c, lo);
            const std::size_t len = std::size_t(c - lo);
            if (l1 && pair_[std::size_t(c)] && c + 1 < int(r)) {
                // Rows r, r + 1 against the pair of rows c, c + 1: four dot
                // products over one range share their loads; entry c + 1
                // then takes the term of column c, just found.
                const S *ld = lc + (off_[std::size_t(c) + 1] - off_[std::size_t(c)]);
                S s00, s01, s10, s11;
                dot2x2<true>(l0 + (lo - f), l1 + (lo - f), lc, ld, len, s00, s01, s10, s11);
                const S x0 = (l0[c - f] - s00) * inverse[std::size_t(c)];
                const S x1 = (l1[c - f] - s10) * inverse[std::size_t(c)];
                const S below = conj_of(ld[len]);  // L(c + 1, c)
                l0[c - f] = x0;
                l1[c - f] = x1;
                l0[c + 1 - f] = (l0[c + 1 - f] - s01 - x0 * below) * inverse[std::size_t(c) + 1];
                l1[c + 1 - f] = (l1[c + 1 - f] - s11 - x1 * below) * inverse[std::size_t(c) + 1];
                ++c;
            } else if (l1) {
                S s0, s1;
                dot2<true>(l0 + (lo - f), l1 + (lo - f), lc, len, s0, s1);
                l0[c - f] = (l0[c - f] - s0) * inverse[std::size_t(c)];
                l1[c - f] = (l1[c - f] - s1) * inverse[std::size_t(c)];
            } else {
                l0[c - f] = (l0[c - f] - dot<true>(l0 + (lo - f), lc, len)) * inverse[std::size_t(c)];
            }
        }
        bool positive = pivot(l0, int(r) - f, r);
        if (positive && l1) {
            // Row r + 1's entry at r needs row r complete.
            const int w = int(r) - f;
            l1[w] = (l1[w] - dot<true>(l1, l0, std::size_t(w))) * inverse[r];
            positive = pivot(l1, w + 1, r + 1);
        }
        if (!positive) {
            l_.clear();
            return false;
        }
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

template <class S> void EnvelopeCholesky::solve_as(S *b) const {
    const S *l = reinterpret_cast<const S *>(l_.data());
    const double *inverse = inverse_.data();
    std::vector<S> y(n_);
    for (std::size_t v = 0; v < n_; ++v) y[std::size_t(perm_[v])] = b[v];
    // L y = P b, then L^H z = y; rows in pairs (see pair_) share their
    // loads of y.
    for (std::size_t r = 0; r < n_; r += pair_[r] ? 2 : 1) {
        const std::size_t f = std::size_t(first_[r]), w = r - f;
        const S *l0 = l + off_[r];
        if (!pair_[r]) {
            y[r] = (y[r] - dot<false>(l0, &y[f], w)) * inverse[r];
            continue;
        }
        const S *l1 = l + off_[r + 1];
        S s0, s1;
        dot2<false>(l0, l1, &y[f], w, s0, s1);
        y[r] = (y[r] - s0) * inverse[r];
        y[r + 1] = (y[r + 1] - s1 - l1[w] * y[r]) * inverse[r + 1];
    }
    for (std::size_t r = n_; r-- > 0;) {
        if (r > 0 && pair_[r - 1]) {
            // Rows r - 1 and r, with the same first column.
            const std::size_t f = std::size_t(first_[r]), w = r - 1 - f;
            const S *l0 = l + off_[r - 1], *l1 = l + off_[r];
            const S v1 = y[r] * inverse[r];
            y[r] = v1;
            const S v0 = (y[r - 1] - conj_of(l1[w]) * v1) * inverse[r - 1];
            y[r - 1] = v0;
            for (std::size_t c = f; c < r - 1; ++c) y[c] -= conj_of(l0[c - f]) * v0 + conj_of(l1[c - f]) * v1;
            --r;
            continue;
        }
        const std::size_t f = std::size_t(first_[r]);
        const S *lr = l + off_[r];
        const S v = y[r] * inverse[r];
        y[r] = v;
        for (std::size_t c = f; c < r; ++c) y[c] -= conj_of(lr[c - f]) * v;
    }
    for (std::size_t v = 0; v < n_; ++v) b[v] = y[std::size_t(perm_[v])];
}

}  // namespace nl
