#pragma once
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
