// Sparse storage of the least-squares system: the rows as they are added
// (restricted to the free variables) and the normal matrix built from them.
#pragma once

#include "nl.h"
#include "nl_buffer.h"

#include <complex>
#include <cstddef>
#include <vector>

namespace nl {

// Compressed sparse row matrix of size n x n. Column indices within a row
// are strictly increasing. A symmetric matrix may keep only its lower
// triangle (column <= row), which is also the upper triangle of its
// compressed columns.
struct CsrMatrix {
    NLuint n = 0;
    bool lower = false;                     // only the lower triangle is stored
    std::vector<std::size_t> row_start{0};  // n + 1 offsets into col / val
    Buffer<NLuint> col;
    Buffer<double> val;

    // Sum over row i of val * v[col]: row i of M v when both triangles
    // are stored.
    // Two running sums halve the chain of dependent additions, which
    // otherwise bounds the product of rows of a dozen entries.
    double row_dot(NLuint i, const double *v) const {
        double s0 = 0.0, s1 = 0.0;
        std::size_t k = row_start[i];
        const std::size_t e = row_start[i + 1];
        for (; k + 1 < e; k += 2) {
            s0 += val[k] * v[col[k]];
            s1 += val[k + 1] * v[col[k + 1]];
        }
        if (k < e) s0 += val[k] * v[col[k]];
        return s0 + s1;
    }

    // Entry (i, i), 0 when it is not stored.
    double diagonal(NLuint i) const;

    // y = M x, for either storage (x and y hold n values each).
    void multiply(const double *x, double *y) const;
};

// The rows of the system as compressed (column, value) lists over the free
// variables. Terms added to a row may repeat a column; closing the row sums
// them, so a closed row holds each column once, in increasing order. That
// makes every product of the normal matrix appear once, and M(i, j) and
// M(j, i) come out bit-identical.
class RowList {
public:
    // Appends a term to the row being written.
    void add(NLuint column, double value) {
        col_.push_back(column);
        val_.push_back(value);
    }
    std::size_t size() const { return col_.size(); }
    NLuint column(std::size_t k) const { return col_[k]; }
    double value(std::size_t k) const { return val_[k]; }

    // Closes the row being written (sorted, repeats summed) and tells
    // whether it was kept: a row with no terms is dropped.
    bool end_row();
    std::size_t rows() const { return row_start_.size() - 1; }
    // Terms of closed row r: [row_begin(r), row_end(r)).
    std::size_t row_begin(std::size_t r) const { return row_start_[r]; }
    std::size_t row_end(std::size_t r) const { return row_start_[r + 1]; }

    // Releases all storage.
    void clear();
    // Forgets every row but keeps the storage for new ones.
    void reset();

private:
    void merge_open_row();
    static constexpr std::size_t kShortRow = 16;  // sorted in place up to this many terms

    std::vector<std::size_t> row_start_{0};
    Buffer<NLuint> col_;
    Buffer<double> val_;
    struct Term {
        NLuint column;
        double value;
    };
    std::vector<Term> scratch_;  // reused by merge_open_row()
};

enum class Triangles { Both, Lower };

// The normal matrix A^T A of the rows, over n columns: every pair of terms
// (i, a), (j, c) of a row adds a * c to entry (i, j). Both triangles are
// stored, or with Triangles::Lower only entries with j <= i (half the
// memory, for a solver that reads one triangle); entries that only ever
// received products of zero stay stored. threads > 1 splits the output
// rows over a Team; the result is the same.
CsrMatrix build_normal_matrix(const RowList &rows, NLuint n, unsigned threads = 1, Triangles part = Triangles::Both);

// The rows of a system whose unknowns pair up as complex ones, z_k = x_2k +
// i x_2k+1, and whose rows pair up as complex equations: rows 2t and 2t+1
// are the real and imaginary parts of sum_k c_k z_k, so that row 2t holds
// Re c_k at 2k and -Im c_k at 2k+1, row 2t+1 holds Im c_k and Re c_k there.
// A conformal map's rows have this form. Row t lists its c_k by increasing k.
struct ComplexRows {
    std::vector<std::size_t> row_start{0};
    Buffer<NLuint> col;                // k
    Buffer<std::complex<double>> val;  // c_k
    std::size_t rows() const { return row_start.size() - 1; }
    std::size_t size() const { return col.size(); }
    NLuint column(std::size_t k) const { return col[k]; }
    std::complex<double> value(std::size_t k) const { return val[k]; }
    std::size_t row_begin(std::size_t r) const { return row_start[r]; }
    std::size_t row_end(std::size_t r) const { return row_start[r + 1]; }
};

// Appends the complex rows of rows to out when every pair of consecutive
// closed rows has the form above exactly (a term one row lacks counts as
// 0); false, and out unchanged, otherwise.
bool pair_complex_rows(const RowList &rows, ComplexRows &out);

// Appends the real rows of every complex row of z to rows (no row may be
// open), each c_k written out as all four real terms.
void append_real_rows(const ComplexRows &z, RowList &rows);

// The Hermitian normal matrix A^H A of complex rows over n unknowns, by
// compressed columns of its upper triangle: column j holds the entries
// (I, j), I <= j, at rows col[row_start[j]..row_start[j+1]) in increasing
// order, each sum over the rows of conj(c_I) c_j. For the real normal matrix
// m of the paired real rows, h(I, j) = m(2j, 2I) + i m(2j, 2I+1).
struct HermitianMatrix {
    NLuint n = 0;
    // The upper triangle by columns as above; false: every entry, by rows,
    // row i holding h(i, j) for every j.
    bool lower = true;
    std::vector<std::size_t> row_start{0};
    Buffer<NLuint> col;
    Buffer<std::complex<double>> val;

    // y = H x over n complex values each.
    void multiply(const std::complex<double> *x, std::complex<double> *y) const;
};
HermitianMatrix build_hermitian_normal_matrix(const ComplexRows &rows, NLuint n, unsigned threads = 1,
                                              Triangles part = Triangles::Lower);

// The lower triangle of the real normal matrix (2 h.n unknowns) that h
// writes in complex form, every entry of its 2 x 2 blocks stored.
CsrMatrix real_lower_triangle(const HermitianMatrix &h);

}  // namespace nl
