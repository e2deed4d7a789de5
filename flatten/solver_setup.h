#pragma once
#include <cmath>
#include <nl.h>

/// The items of the node's "solver" menu, in menu order.
enum UnwrapSolver { UNWRAP_CG = 0, UNWRAP_DIRECT = 1, UNWRAP_MULTIGRID = 2 };

/// Configures the current OpenNL context, still in its initial state, for
/// the conformal system of a piece of n > 0 points: 2n variables, least
/// squares, threshold 1e-10 and at most 5n iterations. solver is an
/// UnwrapSolver: the Jacobi-preconditioned conjugate gradient (also for any
/// other value), a sparse Cholesky factorisation, or the conjugate gradient
/// preconditioned by algebraic multigrid, with the same threshold.
inline void configureUnwrapSolver(int n, int solver) {
    const NLenum id = solver == UNWRAP_DIRECT ? NL_CHOLMOD_EXT : solver == UNWRAP_MULTIGRID ? NL_CG_AMG_EXT : NL_CG;
    nlSolverParameteri(NL_SOLVER, static_cast<NLint>(id));
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
