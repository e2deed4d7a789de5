// Building the normal matrix A^T A from the rows A, column by column of A
// (Gustavson's row-by-row sparse product): output row i gathers every row
// of A that holds column i, so no entry is ever searched for.
#include "nl_matrix.h"

#include "nl_team.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <stdexcept>

namespace nl {

double CsrMatrix::diagonal(NLuint i) const {
    const NLuint *first = col.data() + row_start[i];
    const NLuint *last = col.data() + row_start[i + 1];
    const NLuint *it = std::lower_bound(first, last, i);
    return (it != last && *it == i) ? val[static_cast<std::size_t>(it - col.data())] : 0.0;
}

void CsrMatrix::multiply(const double *x, double *y) const {
    if (!lower) {
        for (NLuint i = 0; i < n; ++i) y[i] = row_dot(i, x);
        return;
    }
    for (NLuint i = 0; i < n; ++i) y[i] = 0.0;
    for (NLuint i = 0; i < n; ++i) {
        double s = 0.0;
        for (std::size_t k = row_start[i], e = row_start[i + 1]; k < e; ++k) {
            const NLuint j = col[k];
            s += val[k] * x[j];
            if (j != i) y[j] += val[k] * x[i];
        }
        y[i] += s;
    }
}

bool RowList::end_row() {
    const std::size_t open = row_start_.back();
    if (col_.size() == open) return false;
    if (col_.size() - open > 1) merge_open_row();
    row_start_.push_back(col_.size());
    return true;
}

void RowList::merge_open_row() {
    const std::size_t open = row_start_.back();
    const std::size_t terms = col_.size() - open;
    if (terms <= kShortRow) {
        // The rows of a mesh hold a handful of terms: an insertion sort in
        // place beats copying them out for std::sort.
        NLuint *c = col_.data() + open;
        double *v = val_.data() + open;
        for (std::size_t k = 1; k < terms; ++k) {
            const NLuint ck = c[k];
            const double vk = v[k];
            std::size_t j = k;
            for (; j > 0 && c[j - 1] > ck; --j) {
                c[j] = c[j - 1];
                v[j] = v[j - 1];
            }
            c[j] = ck;
            v[j] = vk;
        }
    } else {
        scratch_.clear();
        for (std::size_t k = open; k < col_.size(); ++k) scratch_.push_back({col_[k], val_[k]});
        std::stable_sort(scratch_.begin(), scratch_.end(),
                         [](const Term &a, const Term &b) { return a.column < b.column; });
        for (std::size_t k = 0; k < terms; ++k) {
            col_[open + k] = scratch_[k].column;
            val_[open + k] = scratch_[k].value;
        }
    }
    // Repeats are now adjacent: sum them in the order they were added.
    std::size_t out = open + 1;
    for (std::size_t k = open + 1; k < col_.size(); ++k) {
        if (col_[out - 1] == col_[k]) {
            val_[out - 1] += val_[k];
        } else {
            col_[out] = col_[k];
            val_[out] = val_[k];
            ++out;
        }
    }
    col_.shrink_to(out);
    val_.shrink_to(out);
}

void RowList::reset() {
    row_start_.resize(1);
    col_.shrink_to(0);
    val_.shrink_to(0);
}

void RowList::clear() {
    std::vector<std::size_t>{0}.swap(row_start_);
    col_.release();
    val_.release();
    std::vector<Term>().swap(scratch_);
}

namespace {

constexpr NLuint kUnmarked = std::numeric_limits<NLuint>::max();

// The rows of A listed by column: column i is held by the rows
// row[start[i]] .. row[start[i+1] - 1], in increasing order.
struct Columns {
    std::vector<std::size_t> start;
    Buffer<NLuint> row;
};

// Rows is RowList or ComplexRows: closed rows, each column once, in
// increasing order.
template <class Rows> Columns columns_of(const Rows &rows, NLuint n) {
    if (rows.rows() >= kUnmarked) throw std::length_error("too many rows");
    Columns c;
    c.start.assign(static_cast<std::size_t>(n) + 1, 0);
    for (std::size_t k = 0; k < rows.size(); ++k) ++c.start[rows.column(k) + 1];
    for (NLuint i = 0; i < n; ++i) c.start[i + 1] += c.start[i];
    c.row.resize_for_overwrite(rows.size());
    std::vector<std::size_t> next(c.start.begin(), c.start.end() - 1);
    for (std::size_t r = 0; r < rows.rows(); ++r) {
        for (std::size_t k = rows.row_begin(r); k < rows.row_end(r); ++k) {
            c.row[next[rows.column(k)]++] = static_cast<NLuint>(r);
        }
    }
    return c;
}

// Per-thread work space: mark[j] == i flags column j as seen in output
// row i; acc[j] sums that entry.
template <class V> struct Scratch {
    explicit Scratch(NLuint n) : mark(n, kUnmarked), acc(n) {}
    std::vector<NLuint> mark;
    std::vector<V> acc;
};

// Number of distinct columns j <= last in output row i.
template <class Rows, class V>
std::size_t count_row(const Rows &rows, const Columns &c, NLuint i, NLuint last, Scratch<V> &s) {
    std::size_t count = 0;
    for (std::size_t t = c.start[i]; t < c.start[i + 1]; ++t) {
        const NLuint r = c.row[t];
        for (std::size_t k = rows.row_begin(r); k < rows.row_end(r); ++k) {
            const NLuint j = rows.column(k);
            if (j > last) break;  // a row's columns increase
            if (s.mark[j] != i) {
                s.mark[j] = i;
                ++count;
            }
        }
    }
    return count;
}

// The term of column i in row r (rows hold each column once).
template <class Rows> auto term_of(const Rows &rows, std::size_t r, NLuint i) {
    std::size_t k = rows.row_begin(r);
    while (rows.column(k) != i) ++k;
    return rows.value(k);
}

// Sorts n column indices; rows of a mesh's normal matrix hold a dozen or
// two, where an insertion sort is quickest.
void sort_columns(NLuint *c, std::size_t n) {
    if (n > 32) {
        std::sort(c, c + n);
        return;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const NLuint ck = c[k];
        std::size_t j = k;
        for (; j > 0 && c[j - 1] > ck; --j) c[j] = c[j - 1];
        c[j] = ck;
    }
}

// a * v for real rows; for complex ones output row i is column i of the
// Hermitian upper triangle, whose entry (j, i) is conj(c_j) c_i.
inline double product(double a, double v) { return a * v; }
inline std::complex<double> product(std::complex<double> a, std::complex<double> v) { return a * std::conj(v); }

// Writes the columns j <= last of output row i into m, whose offsets are
// already set.
template <class Rows, class V, class Out>
void fill_row(const Rows &rows, const Columns &c, NLuint i, NLuint last, Scratch<V> &s, Out &m) {
    const std::size_t first = m.row_start[i];
    std::size_t pos = first;
    for (std::size_t t = c.start[i]; t < c.start[i + 1]; ++t) {
        const NLuint r = c.row[t];
        const V a = term_of(rows, r, i);
        for (std::size_t k = rows.row_begin(r); k < rows.row_end(r); ++k) {
            const NLuint j = rows.column(k);
            if (j > last) break;
            if (s.mark[j] != i) {
                s.mark[j] = i;
                s.acc[j] = V(0.0);
                m.col[pos++] = j;
            }
            s.acc[j] += product(a, rows.value(k));
        }
    }
    sort_columns(m.col.data() + first, pos - first);
    for (std::size_t p = first; p < pos; ++p) m.val[p] = s.acc[m.col[p]];
}

// Calls row(i, scratch) for every output row, the rows split into one
// contiguous range per part of the team.
template <class S, class Row> void for_rows(Team *team, NLuint n, std::vector<S> &scratch, Row row) {
    const unsigned parts = team ? team->parts() : 1;
    auto part = [&](unsigned p) {
        const auto first = static_cast<NLuint>(std::uint64_t(n) * p / parts);
        const auto last = static_cast<NLuint>(std::uint64_t(n) * (p + 1) / parts);
        for (NLuint i = first; i < last; ++i) row(i, scratch[p]);
    };
    if (team) {
        team->run(part);
    } else {
        part(0);
    }
}

// Gustavson's product into out (n, row_start, col, val as CsrMatrix has
// them), keeping the columns j <= i of output row i when lower.
template <class V, class Rows, class Out>
void build_product(const Rows &rows, NLuint n, unsigned threads, bool lower, Out &m) {
    const Columns c = columns_of(rows, n);
    std::unique_ptr<Team> team;
    if (threads > 1) team = std::make_unique<Team>(threads);
    std::vector<Scratch<V>> scratch(team ? team->parts() : 1, Scratch<V>(n));
    const auto last = [lower](NLuint i) { return lower ? i : kUnmarked; };
    m.n = n;
    m.row_start.assign(static_cast<std::size_t>(n) + 1, 0);
    for_rows(team.get(), n, scratch,
             [&](NLuint i, Scratch<V> &s) { m.row_start[i + 1] = count_row(rows, c, i, last(i), s); });
    for (NLuint i = 0; i < n; ++i) m.row_start[i + 1] += m.row_start[i];
    // Every entry is written below, by the thread that owns its row.
    m.col.resize_for_overwrite(m.row_start[n]);
    m.val.resize_for_overwrite(m.row_start[n]);
    for (Scratch<V> &s : scratch) std::fill(s.mark.begin(), s.mark.end(), kUnmarked);
    for_rows(team.get(), n, scratch, [&](NLuint i, Scratch<V> &s) { fill_row(rows, c, i, last(i), s, m); });
}

// The complex coefficient at unknown k of the real rows a (2t) and b
// (2t+1), walked in step; false at the end or when the two rows do not
// have the complex form there.
struct PairWalk {
    const RowList &rows;
    std::size_t ka, ea, kb, eb;

    // 1 for the next coefficient, 0 at the end, -1 when the form breaks.
    int next(NLuint &k, std::complex<double> &c) {
        const NLuint ca = ka < ea ? rows.column(ka) / 2 : kUnmarked;
        const NLuint cb = kb < eb ? rows.column(kb) / 2 : kUnmarked;
        k = std::min(ca, cb);
        if (k == kUnmarked) return 0;
        double a[2] = {0.0, 0.0}, b[2] = {0.0, 0.0};
        for (; ka < ea && rows.column(ka) / 2 == k; ++ka) a[rows.column(ka) % 2] = rows.value(ka);
        for (; kb < eb && rows.column(kb) / 2 == k; ++kb) b[rows.column(kb) % 2] = rows.value(kb);
        if (!(a[0] == b[1] && a[1] == -b[0])) return -1;
        c = std::complex<double>(a[0], -a[1]);
        return 1;
    }
};

}  // namespace

CsrMatrix build_normal_matrix(const RowList &rows, NLuint n, unsigned threads, Triangles part) {
    CsrMatrix m;
    m.lower = part == Triangles::Lower;
    build_product<double>(rows, n, threads, m.lower, m);
    return m;
}

bool pair_complex_rows(const RowList &rows, ComplexRows &out) {
    if (rows.rows() % 2 != 0) return false;
    const std::size_t kept_rows = out.row_start.size(), kept_terms = out.col.size();
    for (std::size_t r = 0; r < rows.rows(); r += 2) {
        PairWalk walk{rows, rows.row_begin(r), rows.row_end(r), rows.row_begin(r + 1), rows.row_end(r + 1)};
        NLuint k;
        std::complex<double> c;
        int got;
        while ((got = walk.next(k, c)) > 0) {
            out.col.push_back(k);
            out.val.push_back(c);
        }
        if (got < 0) {
            out.row_start.resize(kept_rows);
            out.col.shrink_to(kept_terms);
            out.val.shrink_to(kept_terms);
            return false;
        }
        out.row_start.push_back(out.col.size());
    }
    return true;
}

void append_real_rows(const ComplexRows &z, RowList &rows) {
    for (std::size_t r = 0; r < z.rows(); ++r) {
        for (int part = 0; part < 2; ++part) {
            for (std::size_t k = z.row_begin(r); k < z.row_end(r); ++k) {
                const std::complex<double> c = z.value(k);
                rows.add(2 * z.column(k), part ? c.imag() : c.real());
                rows.add(2 * z.column(k) + 1, part ? c.real() : -c.imag());
            }
            rows.end_row();
        }
    }
}

HermitianMatrix build_hermitian_normal_matrix(const ComplexRows &rows, NLuint n, unsigned threads, Triangles part) {
    HermitianMatrix h;
    h.lower = part == Triangles::Lower;
    build_product<std::complex<double>>(rows, n, threads, h.lower, h);
    if (!h.lower) {
        // Output row i was built as column i, h(j, i); row i is its conjugate.
        for (auto &v : h.val) v = std::conj(v);
    }
    return h;
}

CsrMatrix real_lower_triangle(const HermitianMatrix &h) {
    // Block (j, I) of rows 2j, 2j+1 and columns 2I, 2I+1 is
    // [Re h(I,j), Im h(I,j); -Im h(I,j), Re h(I,j)]; its upper corner is
    // left out on the diagonal.
    CsrMatrix m;
    m.n = 2 * h.n;
    m.lower = true;
    m.row_start.reserve(std::size_t(m.n) + 1);
    m.col.reserve(4 * h.col.size());
    m.val.reserve(4 * h.col.size());
    for (NLuint j = 0; j < h.n; ++j) {
        for (int half = 0; half < 2; ++half) {
            for (std::size_t k = h.row_start[j]; k < h.row_start[j + 1]; ++k) {
                const NLuint I = h.col[k];
                const double re = h.val[k].real(), im = h.val[k].imag();
                m.col.push_back(2 * I);
                m.val.push_back(half == 0 ? re : -im);
                if (I == j && half == 0) continue;
                m.col.push_back(2 * I + 1);
                m.val.push_back(half == 0 ? im : re);
            }
            m.row_start.push_back(m.col.size());
        }
    }
    return m;
}

void HermitianMatrix::multiply(const std::complex<double> *x, std::complex<double> *y) const {
    if (!lower) {
        for (NLuint i = 0; i < n; ++i) {
            std::complex<double> s = 0.0;
            for (std::size_t k = row_start[i], e = row_start[i + 1]; k < e; ++k) s += val[k] * x[col[k]];
            y[i] = s;
        }
        return;
    }
    // Column j holds h(i, j) for i <= j; h(j, i) is its conjugate.
    for (NLuint j = 0; j < n; ++j) y[j] = 0.0;
    for (NLuint j = 0; j < n; ++j) {
        std::complex<double> s = 0.0;
        for (std::size_t k = row_start[j], e = row_start[j + 1]; k < e; ++k) {
            const NLuint i = col[k];
            y[i] += val[k] * x[j];
            if (i != j) s += std::conj(val[k]) * x[i];
        }
        y[j] += s;
    }
}

}  // namespace nl
