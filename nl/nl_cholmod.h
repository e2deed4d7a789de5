// The direct solver behind NL_CHOLMOD_EXT: a supernodal sparse Cholesky
// factorisation (SuiteSparse's CHOLMOD) of the normal matrix, with a
// fill-reducing ordering, then two triangular solves.
#pragma once

#include "nl_matrix.h"

#include <string>
#include <vector>

namespace nl {

struct CholeskyOutcome {
    bool solved = false;  // false: x is untouched and reason says why
    double error = 0.0;   // |M x - b| / |b|, or |M x - b| when b = 0
    std::string reason;   // empty when solved
};

// Solves m x = b for a symmetric positive semi-definite m whose rows with a
// zero diagonal are entirely zero (true of every normal matrix A^T A): those
// rows' unknowns play no part in the system and keep their value in x, as
// they do under the conjugate gradient. The other rows must form a positive
// definite matrix; a singular one (not positive definite, or a pivot that
// is roundoff only) is refused. The caller guarantees b.size() == x.size()
// == m.n and finite entries. Reads m in place (only its upper triangle
// counts) unless rows must be left out, and uses CHOLMOD's BLAS, which may
// run on several threads.
CholeskyOutcome cholesky_solve(const CsrMatrix& m, const std::vector<double>& b,
                               std::vector<double>& x);

}  // namespace nl
