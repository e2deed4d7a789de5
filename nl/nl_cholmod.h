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
// A given order, when not null, lists each of the m.n unknowns once in the
// order in which to eliminate them, and replaces the solver's own ordering
// (a poor order costs fill, never accuracy).
CholeskyOutcome cholesky_solve(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                               bool allow_complex = true, const std::vector<NLuint> *order = nullptr);

// The same solve for the real system whose normal matrix h writes in
// complex form (see HermitianMatrix), the unknowns and b interleaved as
// (re, im): b.size() == x.size() == 2 h.n. A zero diagonal, or a complex
// solve short of roundoff in the residual, is solved in real form instead.
// order is as for cholesky_solve, over the 2 h.n real unknowns.
CholeskyOutcome cholesky_solve_hermitian(const HermitianMatrix &h, const std::vector<double> &b, std::vector<double> &x,
                                         const std::vector<NLuint> *order = nullptr);

// Whether a system of n unknowns is factored by CHOLMOD, which takes a
// given elimination order; smaller ones take the envelope factorisation,
// which makes its own.
bool takes_elimination_order(std::size_t n);

// A fill-reducing elimination order of the vertices of a graph, made as
// SparseCholesky makes it for repeated factorisations of a matrix with a
// block x block entry per vertex and per edge: AMD, or METIS's nested
// dissection when the factorisation is large and it fills in less. The
// graph is an upper triangle by columns: column j lists, in increasing
// order, the vertices i <= j adjacent to j (j itself may be listed), in
// rows[start[j] .. start[j + 1]). Returns the vertices in elimination order,
// each once; empty when the ordering fails.
std::vector<int> elimination_order(const std::vector<int> &start, const std::vector<int> &rows, int block);

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
    // much faster on large systems. groups, when not null on the first
    // call, gives the order in which to eliminate the m.n / block groups
    // (each once) instead of making one, as elimination_order() does.
    bool factor(const CsrMatrix &m, std::string &reason, int block = 1, const std::vector<int> *groups = nullptr);
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
    bool factor_described(const CsrMatrix *blocks, int block, const std::vector<int> *groups, std::string &reason);
    struct State;
    State *state_;
};

}  // namespace nl
