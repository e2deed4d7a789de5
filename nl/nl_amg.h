// Smoothed-aggregation algebraic multigrid for the normal equations, and the
// conjugate gradient preconditioned by one V-cycle of it (NL_CG_AMG_EXT).
//
// The hierarchy: unknowns are grouped into points of `block` unknowns each
// (2 for the (u, v) of a layout), strongly connected points are aggregated,
// and the tentative prolongator maps each aggregate's share of the
// near-null space (the shifts, and the turn and scale of the start values,
// of a layout) to its points. One Jacobi step smooths it,
// P = (I - w D^-1 A) P_tent, and the coarse operator is P^T A P. The
// coarsest level, a few times smaller than the finest, is factored by a
// sparse Cholesky. The V-cycle smooths with the same
// Chebyshev polynomial in D^-1 A before and after the coarse correction, so
// the preconditioner is symmetric, as the conjugate gradient needs.
#pragma once

#include "nl_cg.h"
#include "nl_matrix.h"

#include <vector>

namespace nl {

struct AmgOptions {
    unsigned block = 1;          // unknowns per point; 2 when unknowns 2k and 2k+1 belong together
    unsigned threads = 1;        // 1 or more; the result does not depend on it
    NLuint coarsest = 600;       // a level of at most this many unknowns is factored directly,
    unsigned coarse_ratio = 16;  // as is one of at most 1 / coarse_ratio of the finest's
    double strength = 0.1;       // points I, J are connected when |A_IJ| >= this * sqrt(|A_II| |A_JJ|)
    unsigned smoothing = 2;      // degree of the Chebyshev smoother
};

struct AmgOutcome {
    CgOutcome cg;           // the iteration, as the plain conjugate gradient reports it
    bool singular = false;  // the coarsest operator is singular: nothing was iterated
    unsigned levels = 0;    // levels of the hierarchy, the finest included
};

// Solves M x = b starting from x (b.size() == x.size() == M.n; M holds both
// triangles, else std::invalid_argument) by the conjugate gradient
// preconditioned with a V-cycle, with the same stopping rule as
// conjugate_gradient(): |r|^2 <= threshold^2 |b|^2 on r = M x - b, or
// max_iterations. options.jacobi is ignored. The start values also shape
// the hierarchy (see above): a start near the solution's shape, up to a
// similarity or mirror, converges fastest. Unknowns whose row of M is zero
// keep their value. When the coarsest level is singular (M is, for instance
// with too few unknowns fixed), x is untouched and singular is set. With
// amg.block == 2 the unknowns pair as (2k, 2k+1). options.progress is also
// asked, with iteration 0 and error 1, before each coarse level is built;
// when it stops the setup or the loop, x is untouched and stopped is set.
AmgOutcome amg_conjugate_gradient(const CsrMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                                  const CgOptions &options, const AmgOptions &amg);

// The same for the real system whose normal matrix m writes in complex form
// by full rows (HermitianMatrix with lower false): unknowns and b
// interleaved as (re, im), b.size() == x.size() == 2 m.n. The hierarchy is
// built on the complex unknowns, with the shift and the start values as
// near-null space: the real solver's, at half the memory and work.
AmgOutcome amg_conjugate_gradient(const HermitianMatrix &m, const std::vector<double> &b, std::vector<double> &x,
                                  const CgOptions &options, const AmgOptions &amg);

}  // namespace nl
