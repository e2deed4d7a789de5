/*
 * nl.h - a sparse least-squares solver with OpenNL's C API.
 *
 * The calling sequence is OpenNL's:
 *
 *   nlNewContext();
 *   nlSolverParameteri(NL_NB_VARIABLES, n);
 *   nlSolverParameteri(NL_LEAST_SQUARES, NL_TRUE);
 *   nlBegin(NL_SYSTEM);
 *     nlSetVariable(i, start); nlLockVariable(i);   (any number of times)
 *     nlBegin(NL_MATRIX);
 *       nlBegin(NL_ROW);
 *         nlCoefficient(i, a);                       (any number of times)
 *         nlRightHandSide(rhs);
 *       nlEnd(NL_ROW);                               (any number of rows)
 *     nlEnd(NL_MATRIX);
 *   nlEnd(NL_SYSTEM);
 *   nlSolve();
 *   nlGetVariable(i);
 *   nlDeleteContext(nlGetCurrent());
 *
 * Each row states sum(a_i * x_i) = rhs. The solve minimises the sum of the
 * squared rows over the free (unlocked) variables with a conjugate gradient
 * on the normal equations, Jacobi-preconditioned by default.
 *
 * Context states, in calling order:
 *   INITIAL -> nlBegin(NL_SYSTEM) -> SYSTEM -> nlBegin(NL_MATRIX) -> MATRIX
 *   MATRIX <-> ROW (nlBegin(NL_ROW) / nlEnd(NL_ROW))
 *   MATRIX -> nlEnd(NL_MATRIX) -> MATRIX_CONSTRUCTED -> nlEnd(NL_SYSTEM)
 *   -> SYSTEM_CONSTRUCTED -> nlSolve() -> SOLVED
 *
 * Misuse (a call in the wrong state, a bad parameter, an unknown enum, an
 * out-of-range variable index) never aborts the process, unlike OpenNL: it
 * gives the message "OpenNL error in <function>(): <reason>" (on stderr,
 * unless a message function is set, see below) and puts the
 * context into a failed state. In that state every later call that would
 * change the context is ignored silently, the getters still answer, and
 * nlSolve() returns NL_FALSE.
 *
 * Not thread-safe: the current context is one process-wide slot, and a
 * context must be used by one thread at a time. nlSolve() may use one helper
 * thread internally for large systems (NL_CG and NL_CG_AMG_EXT), and
 * NL_CHOLMOD_EXT the threads of the BLAS it is linked with.
 */
#ifndef FLATSKIN_NL_H
#define FLATSKIN_NL_H

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char NLboolean;
typedef unsigned int NLenum;
typedef int NLint;
typedef unsigned int NLuint;
typedef double NLdouble;
typedef void *NLcontext;

/* 0x0 - 0x1: booleans. */
#define NL_FALSE 0x0
#define NL_TRUE 0x1

/* 0x100 - 0x10b: parameters of nlSolverParameter*() and nlGet*v(). */
#define NL_SOLVER 0x100          /* NLenum, one of the solvers below */
#define NL_NB_VARIABLES 0x101    /* NLint > 0, required */
#define NL_LEAST_SQUARES 0x102   /* NL_TRUE or NL_FALSE (default) */
#define NL_MAX_ITERATIONS 0x103  /* NLint > 0 */
#define NL_THRESHOLD 0x104       /* NLdouble >= 0, relative residual */
#define NL_USED_ITERATIONS 0x107 /* read-only, after nlSolve() */
#define NL_ERROR 0x108           /* read-only, after nlSolve() */
#define NL_PRECONDITIONER 0x10b  /* NLenum, one of the preconditioners */

/* 0x000, 0x200 - 0x201: iterative solvers. */
#define NL_SOLVER_DEFAULT 0x000 /* resolved at nlBegin(NL_MATRIX) */
#define NL_CG 0x200             /* conjugate gradient */
#define NL_BICGSTAB 0x201       /* rejected: not supported */

/* 0x214: direct-solver extension (OpenNL's nl_ext.h value): a supernodal
 * sparse Cholesky factorisation of the normal matrix (SuiteSparse's CHOLMOD,
 * fill-reducing ordering). Ignores NL_MAX_ITERATIONS, NL_THRESHOLD and the
 * preconditioner; NL_USED_ITERATIONS reads 0 after nlSolve(). Free
 * variables in no row (or only with zero coefficients) keep their start
 * value, as under NL_CG. */
#define NL_CHOLMOD_EXT 0x214

/* 0x2a0: multigrid extension (this library's own value): the conjugate
 * gradient on the same normal equations, with the same NL_MAX_ITERATIONS,
 * NL_THRESHOLD and stopping rule as NL_CG, preconditioned by one V-cycle of
 * a smoothed-aggregation algebraic multigrid instead of NL_PRECONDITIONER.
 * On conformal maps it takes about a hundredth of Jacobi's iterations,
 * though both counts grow about as the square root of the size (the
 * shapes of a layout that cost almost nothing are too many for the
 * hierarchy to hold). Variables 2k and 2k+1 are aggregated
 * as one point when the free ones pair up so (as the u and v of a layout),
 * and the start values of the free variables, read as a rough layout,
 * shape the hierarchy: it converges fastest from a start of the solution's
 * shape (a projection of the surface), more slowly from all zeros. Free
 * variables in no row keep their start value. When the coarsest level of
 * the hierarchy is singular (for instance too few variables locked),
 * nlSolve() returns NL_FALSE with a message, without failing the context. */
#define NL_CG_AMG_EXT 0x2a0

/* 0x000, 0x300: preconditioners. */
#define NL_PRECOND_NONE 0x000
#define NL_PRECOND_JACOBI 0x300

/* 0x0 - 0x2: primitives of nlBegin() / nlEnd(). */
#define NL_SYSTEM 0x0
#define NL_MATRIX 0x1
#define NL_ROW 0x2

/* ---- Extension: progress and cancellation ------------------------------ */

/* Called by nlSolve() while it works: the iterations done, the iteration
 * limit and the current relative residual (for the direct solver: 0 of 1
 * before factoring, 1 of 1 when done). Returning NL_FALSE stops the solve,
 * which then returns NL_FALSE and leaves the variables as they were set. */
typedef NLboolean (*NLprogressFunc)(NLuint iteration, NLuint max_iterations, NLdouble error, void *data);

/* ---- Extension: messages ----------------------------------------------- */

/* Receives each message of the library: the API function that gives it
 * and the reason, for instance "nlSolve" and "NL_CHOLMOD_EXT: the normal
 * matrix is singular (are enough variables locked?)". */
typedef void (*NLmessageFunc)(const char *function, const char *reason, void *data);

/* Sets the process-wide message function (NULL for the default, which
 * prints "OpenNL error in <function>(): <reason>" on stderr) and the data
 * handed to it. Legal at any time, with or without a context. The function
 * is called on the thread that made the failing call, never while the
 * library holds a lock, and must not call back into the library. */
void nlSetMessageFunction(NLmessageFunc func, void *data);

/* Writes the message function set now (NULL for the default) and its data
 * to *func and *data, so that a caller can restore them. */
void nlGetMessageFunction(NLmessageFunc *func, void **data);

/* ---- Contexts ---------------------------------------------------------- */

/* Creates a context with the defaults (solver NL_SOLVER_DEFAULT, 100 max
 * iterations, threshold 1e-6, least squares off, no preconditioner, no
 * variable count), makes it current and returns it. Legal at any time.
 * Returns NULL (with a message) only when memory runs out. */
NLcontext nlNewContext(void);

/* Frees a context made by nlNewContext(); clears the current slot if it was
 * current. Legal in any state. NULL is ignored. A pointer that is not a live
 * context gets a message and is left alone. */
void nlDeleteContext(NLcontext context);

/* Makes a live context (or NULL) current. Legal at any time. */
void nlMakeCurrent(NLcontext context);

/* Returns the current context, or NULL. */
NLcontext nlGetCurrent(void);

/* Sets the progress function of the current context (NULL for none) and
 * the data handed to it. Legal in any state but the failed one. */
void nlSetProgressFunction(NLprogressFunc func, void *data);

/* ---- Parameters -------------------------------------------------------- */

/* Sets an integer parameter: NL_SOLVER, NL_NB_VARIABLES, NL_LEAST_SQUARES,
 * NL_MAX_ITERATIONS or NL_PRECONDITIONER. Legal only in INITIAL. The value
 * must be valid for the parameter (see the constants above). */
void nlSolverParameteri(NLenum pname, NLint param);

/* Sets NL_THRESHOLD (finite, >= 0), or an integer parameter given as a
 * double with an integral value. Legal only in INITIAL. */
void nlSolverParameterd(NLenum pname, NLdouble param);

/* Writes one value of any parameter above to *params (doubles truncated).
 * Legal in any state, also the failed one; params must not be NULL.
 * NL_SOLVER, NL_PRECONDITIONER, NL_MAX_ITERATIONS and NL_THRESHOLD show the
 * resolved values from nlBegin(NL_MATRIX) on. */
void nlGetIntegerv(NLenum pname, NLint *params);

/* Like nlGetIntegerv(), as a double. NL_ERROR is the relative residual
 * |r|/|b| of the normal equations after nlSolve() (|r| when b = 0). */
void nlGetDoublev(NLenum pname, NLdouble *params);

/* ---- Building the system ----------------------------------------------- */

/* Moves to the next state (see the top of this file); primitive is NL_SYSTEM
 * (legal in INITIAL, NL_NB_VARIABLES must be set: creates the variables,
 * value 0, unlocked), NL_MATRIX (legal in SYSTEM: least squares must be on;
 * numbers the free variables and resolves the default solver parameters)
 * or NL_ROW (legal in MATRIX: opens a row). */
void nlBegin(NLenum primitive);

/* Closes what nlBegin() opened: NL_ROW (legal in ROW: adds the row to the
 * normal equations, reading the locked variables' values now, and resets
 * the right-hand side to 0), NL_MATRIX (legal in MATRIX: builds the normal
 * matrix) or NL_SYSTEM (legal in MATRIX_CONSTRUCTED). */
void nlEnd(NLenum primitive);

/* Sets variable index (0 <= index < NL_NB_VARIABLES) to value: the start
 * value of a free variable, the fixed value of a locked one. Legal only in
 * SYSTEM. */
void nlSetVariable(NLuint index, NLdouble value);

/* Returns the value of a variable: after a successful nlSolve() the solution
 * for free variables, otherwise the value set. Legal in any state after
 * nlBegin(NL_SYSTEM); index must be in range. */
NLdouble nlGetVariable(NLuint index);

/* Marks a variable as fixed at its value / as free again. Legal only in
 * SYSTEM; index must be in range. */
void nlLockVariable(NLuint index);
void nlUnlockVariable(NLuint index);

/* Tells whether a variable is locked. Legal in any state after
 * nlBegin(NL_SYSTEM); index must be in range. */
NLboolean nlIsVariableLocked(NLuint index);

/* Appends the term value * x[index] to the open row; repeated indices add
 * up. Legal only in ROW; index must be in range. */
void nlCoefficient(NLuint index, NLdouble value);

/* Sets the right-hand side of the open row, or of the next row when called
 * between rows. Legal in MATRIX and ROW. Defaults to 0 for every row. */
void nlRightHandSide(NLdouble value);

/* ---- Solving ----------------------------------------------------------- */

/* Solves the system once. Legal only in SYSTEM_CONSTRUCTED (a second call is
 * a misuse). Returns NL_TRUE when the solve ran, also when it stopped at the
 * iteration cap. Returns NL_FALSE, leaving every variable as it was set,
 * when the context failed, when a coefficient, right-hand side or variable
 * value is not finite, or when the iteration produces a non-finite value.
 * With NL_CHOLMOD_EXT it also returns NL_FALSE, with a message but without
 * failing the context, when the normal matrix of the free
 * variables is singular (for instance too few variables locked) or the
 * factorisation runs out of memory; with NL_CG_AMG_EXT likewise when the
 * coarsest level of its hierarchy is singular. */
NLboolean nlSolve(void);
/* ---- Extension: elimination order ------------------------------------- */
/* Hands NL_CHOLMOD_EXT the order in which to eliminate the variables,
 * instead of the fill-reducing ordering it would make: order lists each of
 * the NL_NB_VARIABLES variables once (locked ones are passed over), and is
 * copied. Worth it when an ordering of the same graph is at hand, as after
 * another factorisation over the same points; a poor order costs fill and
 * time, never accuracy. Paired variables (2k, 2k + 1) solved as one complex
 * unknown take the place of the first of them. Small systems, which the
 * envelope factorisation orders itself, and the other solvers ignore it.
 * NULL drops an order given before. Legal only in SYSTEM; a list that
 * repeats a variable is a misuse. */
void nlSetEliminationOrder(const NLuint *order);

#ifdef __cplusplus
}
#endif

#endif /* FLATSKIN_NL_H */
