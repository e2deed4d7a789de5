#pragma once
#include <cmath>
#include <nl.h>

/// Configures the current OpenNL context, still in its initial state, for
/// the conformal system of a piece of n > 0 points: 2n variables, least
/// squares, threshold 1e-10 and at most 5n iterations; Jacobi-preconditioned
/// conjugate gradient, or a sparse Cholesky factorisation when direct.
inline void configureUnwrapSolver(int n, bool direct) {
    nlSolverParameteri(NL_SOLVER, direct ? NL_CHOLMOD_EXT : NL_CG);
    nlSolverParameteri(NL_PRECONDITIONER, NL_PRECOND_JACOBI);
    nlSolverParameteri(NL_NB_VARIABLES, 2 * n);
    nlSolverParameteri(NL_MAX_ITERATIONS, 5 * n);
    nlSolverParameteri(NL_LEAST_SQUARES, NL_TRUE);
    nlSolverParameterd(NL_THRESHOLD, 1e-10);
}

/// Whether every one of the 2n variables of the solved current context is
/// a finite number. Positions or pin UVs that are not numbers reach the
/// solution even when the solver reports success; such a layout must not
/// be written.
inline bool solutionIsFinite(int n) {
    for (int i = 0; i < 2 * n; ++i)
        if (!std::isfinite(nlGetVariable(static_cast<NLuint>(i)))) return false;
    return true;
}
