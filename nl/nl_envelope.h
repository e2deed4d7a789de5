// Cholesky factorisation in envelope (profile) form, for small sparse
// systems: under a reverse Cuthill-McKee ordering each row of the factor is
// stored densely from its first entry to the diagonal, so the work is a run
// of contiguous dot products with no symbolic analysis beyond the ordering.
// On a few thousand unknowns that is several times faster than a general
// sparse factorisation, whose ordering and analysis alone cost more; its
// work grows with the square of the bandwidth, so it declines larger ones.
#pragma once

#include <cstddef>
#include <vector>

namespace nl {

class EnvelopeCholesky {
public:
    // Orders the pattern of a symmetric (or Hermitian) n by n matrix given
    // by compressed columns of its upper triangle: column j lists rows
    // row[start[j] .. start[j + 1]) <= j. True when its factor would cost at
    // most max_flops multiply-adds (complex ones count four); false, and
    // nothing kept, otherwise. The caller guarantees indices in [0, n).
    // block > 1 (dividing n) tells that the unknowns come in groups of that
    // many consecutive ones whose columns share one pattern: the ordering
    // is then made on the groups, block^2 times fewer entries, and keeps
    // each group's unknowns together.
    bool analyse(std::size_t n, const int *start, const int *row, double max_flops, bool complex, int block = 1);

    // Factors the matrix of the analysed pattern with entries x (two
    // doubles, real and imaginary part, per entry when complex), every
    // diagonal entry present. False when it is not positive definite, or
    // when a pivot falls below min_pivot_ratio times its diagonal entry
    // (roundoff only).
    bool factor(const int *start, const int *row, const double *x, double min_pivot_ratio);

    // b = A^-1 b with the last successful factor, in place: n values (2 n
    // doubles when complex).
    void solve(double *b) const;

    // Whether the last factorisation succeeded.
    bool factored() const { return factored_; }

    // Multiply-adds of one factorisation, from the analysis.
    double flops() const { return flops_; }

private:
    template <class S> bool factor_as(const int *start, const int *row, const S *x, double min_pivot_ratio);
    template <class S> void solve_as(S *b) const;

    std::size_t n_ = 0;
    bool complex_ = false;
    bool factored_ = false;
    double flops_ = 0.0;
    std::vector<int> perm_;         // new index of each unknown
    std::vector<int> first_;        // per new row: its first stored column
    std::vector<char> pair_;        // per new row: whether it and the next form a pair (same first column)
    std::vector<std::size_t> off_;  // per new row: where it starts in l_; n + 1 values
    std::vector<double> l_;         // the factor's rows, diagonal last (two doubles per entry when complex)
    std::vector<double> inverse_;   // per new row: 1 / its diagonal entry, so that solves multiply
};

}  // namespace nl
