// The direct solver behind NL_CHOLMOD_EXT: a supernodal sparse Cholesky
// factorisation (SuiteSparse's CHOLMOD) of the normal matrix, with a
// fill-reducing ordering, then two triangular solves.
#pragma once

#include "nl_matrix.h"

#include <string>
#include <vector>

namespace nl {

struct CholeskyOutcome {
    bool solved = false;   // false: x is untouched and reason says why
    double error = 0.0;    // |M x - b| / |b|, or |M x - b| when b = 0
    std::string reason;    // empty when solved
    bool complex = false;  // solved in Hermitian form (see allow_complex)
};

// Solves m x = b for a symmetric positive semi-definite m whose rows with a
// zero diagonal are entirely zero (true of every normal matrix A^T A): those
// rows' unknowns play no part in the system and keep their value in x, as
// they do under the conjugate gradient. The other rows must form a positive
// definite matrix; a singular one (not positive definite, or a pivot that
// is roundoff only) is refused. The caller guarantees b.size() == x.size()
// == m.n and finite entries. m may hold both triangles or only its lower
// one (m.lower); it is read in place unless rows must be left out, and uses CHOLMOD's BLAS, which may
// run on several threads.
// With allow_complex, a system whose unknowns pair up as complex ones
// (m's 2 x 2 blocks all [p q; -q p], no zero diagonal) is factored as the
// Hermitian matrix of half the size, which halves the work; the result
// must reach roundoff in the real residual, or the real form is solved.
CholeskyOutcome cholesky_solve(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                               bool allow_complex = true);

// The same solve for the real system whose normal matrix h writes in
// complex form (see HermitianMatrix), the unknowns and b interleaved as
// (re, im): b.size() == x.size() == 2 h.n. A zero diagonal, or a complex
// solve short of roundoff in the residual, is solved in real form instead.
CholeskyOutcome cholesky_solve_hermitian(const HermitianMatrix &h, const std::vector<double> &b,
                                         std::vector<double> &x);

}  // namespace nl

namespace nl {

// Repeated factorisations of symmetric positive definite matrices that share
// one sparsity pattern, as in Newton steps: the fill-reducing ordering and
// the symbolic analysis are made by the first factorisation and reused.
class SparseCholesky {
public:
    SparseCholesky();
    ~SparseCholesky();
    SparseCholesky(const SparseCholesky &) = delete;
    SparseCholesky &operator=(const SparseCholesky &) = delete;

    // Factors m, which stores its lower triangle (m.lower) with every
    // diagonal entry; every call must pass the pattern of the first. False,
    // with reason, when m is not positive definite (a pivot that is
    // roundoff only counts as zero) or memory runs out. m is read during
    // the call only. block > 1 tells that the unknowns come in groups of
    // that many consecutive ones whose rows share one pattern (m.n a
    // multiple of it): the ordering is then made on the groups, which is
    // much faster on large systems.
    bool factor(const CsrMatrix &m, std::string &reason, int block = 1);
    // The same for a Hermitian h stored as its upper triangle by columns
    // (h.lower true), every diagonal entry present and real (imaginary
    // part exactly 0: CHOLMOD's simplicial factorisation refuses roundoff
    // there): half the entries and about half the work of its real form.
    // Meant for a factor solved many times: a large one is ordered for the
    // fewest entries, by nested dissection where that fills in less.
    bool factor(const HermitianMatrix &h, std::string &reason);

    // x = m^-1 b with the last successful factor (b.size() == m.n; for a
    // Hermitian factor b and x interleave real and imaginary parts, 2 h.n
    // values). False when the solves fail or give a value that is not a
    // number.
    bool solve(const std::vector<double> &b, std::vector<double> &x);

private:
    // The factorisation of the matrix state_ describes; blocks, when
    // given, is its real form for an ordering by groups of block unknowns.
    bool factor_described(const CsrMatrix *blocks, int block, std::string &reason);
    struct State;
    State *state_;
};

}  // namespace nl
