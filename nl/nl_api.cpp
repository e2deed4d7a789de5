// The C entry points of nl.h. Each one fetches the current context, checks
// its state and arguments, then does its small piece of work. Exceptions
// (out of memory) never cross the C boundary: they are reported as misuse.
#include "nl.h"

#include "nl_amg.h"
#include "nl_cg.h"
#include "nl_cholmod.h"
#include "nl_context.h"
#include "nl_team.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <new>
#include <type_traits>

using nl::Context;
using nl::State;

namespace {

// Runs body, turning an escaping exception into a misuse of ctx.
template <class Body> void guarded(Context *ctx, const char *function, Body body) {
    try {
        body();
    } catch (const std::bad_alloc &) {
        nl::misuse(ctx, function, "out of memory");
    } catch (const std::exception &e) {
        nl::misuse(ctx, function, "%s", e.what());
    } catch (...) {
        nl::misuse(ctx, function, "unexpected failure");
    }
}

NLint clamp_to_int(double v) {
    if (!(v > double(INT_MIN))) return std::isnan(v) ? 0 : INT_MIN;
    if (!(v < double(INT_MAX))) return INT_MAX;
    return static_cast<NLint>(v);
}

// ---- Parameters ----

bool is_integer_parameter(NLenum pname) {
    return pname == NL_SOLVER || pname == NL_NB_VARIABLES || pname == NL_LEAST_SQUARES || pname == NL_MAX_ITERATIONS ||
           pname == NL_PRECONDITIONER;
}

void reject_parameter(Context *c, NLenum pname, const char *fn) {
    if (pname == NL_USED_ITERATIONS || pname == NL_ERROR) {
        nl::misuse(c, fn, "parameter 0x%x is read-only", pname);
    } else {
        nl::misuse(c, fn, "unknown parameter 0x%x", pname);
    }
}

void set_solver(Context *c, NLint v, const char *fn) {
    const NLenum solver = static_cast<NLenum>(v);
    if (solver == NL_SOLVER_DEFAULT || solver == NL_CG || solver == NL_CHOLMOD_EXT || solver == NL_CG_AMG_EXT) {
        c->params.solver = solver;
    } else if (solver == NL_BICGSTAB) {
        nl::misuse(c, fn,
                   "NL_BICGSTAB is not supported (least-squares systems are "
                   "symmetric: use NL_CG)");
    } else {
        nl::misuse(c, fn, "unknown solver 0x%x", solver);
    }
}

void set_preconditioner(Context *c, NLint v, const char *fn) {
    const NLenum p = static_cast<NLenum>(v);
    if (p != NL_PRECOND_NONE && p != NL_PRECOND_JACOBI) {
        nl::misuse(c, fn, "unknown preconditioner 0x%x", p);
        return;
    }
    c->params.preconditioner = p;
    c->params.preconditioner_set = true;
}

void set_integer(Context *c, NLenum pname, NLint v, const char *fn) {
    nl::Parameters &p = c->params;
    switch (pname) {
        case NL_SOLVER:
            set_solver(c, v, fn);
            return;
        case NL_PRECONDITIONER:
            set_preconditioner(c, v, fn);
            return;
        case NL_NB_VARIABLES:
            if (v <= 0) return nl::misuse(c, fn, "NL_NB_VARIABLES must be > 0, got %d", v);
            p.nb_variables = v;
            return;
        case NL_LEAST_SQUARES:
            if (v != NL_FALSE && v != NL_TRUE) {
                return nl::misuse(c, fn, "NL_LEAST_SQUARES must be NL_TRUE or NL_FALSE, got %d", v);
            }
            p.least_squares = v == NL_TRUE;
            return;
        case NL_MAX_ITERATIONS:
            if (v <= 0) return nl::misuse(c, fn, "NL_MAX_ITERATIONS must be > 0, got %d", v);
            p.max_iterations = v;
            p.max_iterations_set = true;
            return;
        case NL_THRESHOLD:
            return nl::misuse(c, fn, "NL_THRESHOLD takes a double: use nlSolverParameterd()");
        default:
            reject_parameter(c, pname, fn);
    }
}

void set_double(Context *c, NLenum pname, double v, const char *fn) {
    if (pname == NL_THRESHOLD) {
        if (!(std::isfinite(v) && v >= 0.0)) {
            return nl::misuse(c, fn, "NL_THRESHOLD must be finite and >= 0, got %g", v);
        }
        c->params.threshold = v;
        c->params.threshold_set = true;
    } else if (!is_integer_parameter(pname)) {
        reject_parameter(c, pname, fn);
    } else if (!(std::isfinite(v) && v == std::trunc(v) && v >= INT_MIN && v <= INT_MAX)) {
        nl::misuse(c, fn, "parameter 0x%x takes an integer value, got %g", pname, v);
    } else {
        set_integer(c, pname, static_cast<NLint>(v), fn);
    }
}

bool get_parameter(const Context *c, NLenum pname, double &out) {
    const nl::Parameters &p = c->params;
    switch (pname) {
        case NL_SOLVER:
            out = p.solver;
            return true;
        case NL_NB_VARIABLES:
            out = p.nb_variables;
            return true;
        case NL_LEAST_SQUARES:
            out = p.least_squares ? NL_TRUE : NL_FALSE;
            return true;
        case NL_MAX_ITERATIONS:
            out = p.max_iterations;
            return true;
        case NL_THRESHOLD:
            out = p.threshold;
            return true;
        case NL_USED_ITERATIONS:
            out = c->used_iterations;
            return true;
        case NL_ERROR:
            out = c->error;
            return true;
        case NL_PRECONDITIONER:
            out = p.preconditioner;
            return true;
        default:
            return false;
    }
}

// Reads parameter pname of the current context into *params.
template <class T> void get(NLenum pname, T *params, const char *fn) {
    Context *c = nl::enter_read(fn);
    if (c == nullptr) return;
    double v = 0.0;
    if (params == nullptr) return nl::misuse(c, fn, "params is NULL");
    if (!get_parameter(c, pname, v)) return nl::misuse(c, fn, "unknown parameter 0x%x", pname);
    if constexpr (std::is_same_v<T, NLint>) {
        *params = clamp_to_int(v);
    } else {
        *params = v;
    }
}

// ---- Building the system ----

void begin_system(Context *c) {
    if (c->params.nb_variables <= 0) {
        return nl::misuse(c, "nlBegin", "NL_NB_VARIABLES must be set before nlBegin(NL_SYSTEM)");
    }
    const auto n = static_cast<std::size_t>(c->params.nb_variables);
    c->value.assign(n, 0.0);
    c->locked.assign(n, 0);
    c->state = State::System;
}

// Free variables get the numbers 0..m-1 in increasing index.
void number_free_variables(Context *c) {
    const auto n = static_cast<NLuint>(c->value.size());
    c->free_number.assign(n, nl::kLocked);
    c->free_variable.clear();
    for (NLuint i = 0; i < n; ++i) {
        if (c->locked[i]) continue;
        c->free_number[i] = static_cast<NLuint>(c->free_variable.size());
        c->free_variable.push_back(i);
    }
}

// OpenNL's defaults, resolved only while the solver is NL_SOLVER_DEFAULT.
void resolve_defaults(nl::Parameters &p, std::size_t free_count) {
    if (p.solver != NL_SOLVER_DEFAULT) return;
    p.solver = NL_CG;
    if (!p.preconditioner_set) p.preconditioner = NL_PRECOND_JACOBI;
    if (!p.max_iterations_set) {
        p.max_iterations = static_cast<NLint>(std::min<std::size_t>(5 * free_count, INT_MAX));
    }
    if (!p.threshold_set) p.threshold = 1e-6;
}

// Whether the free variables pair up as (2k, 2k+1) of the same k, as the
// u and v of a point do when points are locked whole.
bool free_variables_pair(const Context *c) {
    const std::vector<NLuint> &f = c->free_variable;
    if (f.size() % 2 != 0) return false;
    for (std::size_t k = 0; k < f.size(); k += 2) {
        if (f[k] % 2 != 0 || f[k + 1] != f[k] + 1) return false;
    }
    return true;
}

void begin_matrix(Context *c) {
    if (!c->params.least_squares) {
        return nl::misuse(c, "nlBegin",
                          "only least-squares systems are supported: set "
                          "NL_LEAST_SQUARES to NL_TRUE");
    }
    number_free_variables(c);
    resolve_defaults(c->params, c->free_variable.size());
    c->b.assign(c->free_variable.size(), 0.0);
    c->rows.clear();
    c->complex_rows = nl::ComplexRows();
    c->pairing = (c->params.solver == NL_CHOLMOD_EXT || c->params.solver == NL_CG_AMG_EXT) &&
                 !c->free_variable.empty() && free_variables_pair(c);
    c->rhs = 0.0;
    c->state = State::Matrix;
}

// Puts every row back in real form: the rows of the pairs so far, then
// those of rows.
void stop_pairing(Context *c) {
    nl::RowList all;
    nl::append_real_rows(c->complex_rows, all);
    for (std::size_t r = 0; r < c->rows.rows(); ++r) {
        for (std::size_t k = c->rows.row_begin(r); k < c->rows.row_end(r); ++k) {
            all.add(c->rows.column(k), c->rows.value(k));
        }
        all.end_row();
    }
    c->rows = std::move(all);
    c->complex_rows = nl::ComplexRows();
    c->pairing = false;
}

// Moves the pair of rows just closed into the complex rows, or stops
// pairing when they are not one complex equation.
void keep_pairing(Context *c) {
    if (nl::pair_complex_rows(c->rows, c->complex_rows)) {
        c->rows.reset();
    } else {
        stop_pairing(c);
    }
}

// Adds the open row to the normal equations: with a the free terms and
// s = sum of locked terms times their current values, every free pair adds
// a_i a_j to M(i, j) (by storing the row) and b_i += a_i (rhs - s).
void end_row(Context *c) {
    double locked_sum = 0.0;
    bool finite = std::isfinite(c->rhs);
    for (const nl::Term &t : c->row) {
        finite = finite && std::isfinite(t.value);
        const NLuint f = c->free_number[t.index];
        if (f == nl::kLocked) {
            locked_sum += t.value * c->value[t.index];
        } else {
            c->rows.add(f, t.value);
        }
    }
    if (c->rows.end_row()) {
        const double rhs = c->rhs - locked_sum;
        const std::size_t r = c->rows.rows() - 1;
        for (std::size_t k = c->rows.row_begin(r); k < c->rows.row_end(r); ++k) {
            c->b[c->rows.column(k)] += c->rows.value(k) * rhs;
        }
    }
    if (c->pairing && c->rows.rows() == 2) keep_pairing(c);
    c->non_finite_input = c->non_finite_input || !finite;
    c->row.clear();
    c->rhs = 0.0;
    c->state = State::Matrix;
}

void end_matrix(Context *c) {
    const auto m = static_cast<NLuint>(c->free_variable.size());
    c->hermitian = nl::HermitianMatrix();
    if (c->pairing && c->rows.rows() == 0) {
        // Complex equations give the solver a matrix of half the size and
        // a quarter of the entries, built without the real one; the
        // multigrid solver reads whole rows, the direct one a triangle.
        const auto part = c->params.solver == NL_CHOLMOD_EXT ? nl::Triangles::Lower : nl::Triangles::Both;
        c->hermitian = nl::build_hermitian_normal_matrix(c->complex_rows, m / 2, nl::threads_for(m), part);
        c->complex_rows = nl::ComplexRows();
        c->pairing = false;
        c->state = State::MatrixConstructed;
        return;
    }
    if (c->pairing) stop_pairing(c);
    // CHOLMOD reads one triangle; the conjugate gradient's product both.
    const auto part = c->params.solver == NL_CHOLMOD_EXT ? nl::Triangles::Lower : nl::Triangles::Both;
    c->normal = nl::build_normal_matrix(c->rows, m, nl::threads_for(m), part);
    c->rows.clear();
    c->state = State::MatrixConstructed;
}

// ---- Solving ----

// Runs the conjugate gradient on the free variables x; false when a
// non-finite value came up.
bool run_cg(Context *c, std::vector<double> &x) {
    nl::CgOptions options;
    options.max_iterations = static_cast<NLuint>(std::max(c->params.max_iterations, 0));
    options.threshold = c->params.threshold;
    options.jacobi = c->params.preconditioner == NL_PRECOND_JACOBI;
    options.threads = nl::threads_for(static_cast<NLuint>(x.size()));
    options.progress = c->progress;
    options.progress_data = c->progress_data;
    const nl::CgOutcome out = nl::conjugate_gradient(c->normal, c->b, x, options);
    c->used_iterations = clamp_to_int(out.iterations);
    c->error = out.error;
    return out.finite && !out.stopped;
}

// Runs the multigrid-preconditioned conjugate gradient on the free
// variables x; false when a non-finite value came up or the hierarchy is
// singular (with a message: a well-formed system can be singular).
bool run_amg(Context *c, std::vector<double> &x) {
    nl::CgOptions options;
    options.max_iterations = static_cast<NLuint>(std::max(c->params.max_iterations, 0));
    options.threshold = c->params.threshold;
    options.threads = nl::threads_for(static_cast<NLuint>(x.size()));
    options.progress = c->progress;
    options.progress_data = c->progress_data;
    nl::AmgOptions amg;
    amg.block = free_variables_pair(c) ? 2 : 1;
    amg.threads = options.threads;
    const nl::AmgOutcome out = c->hermitian.n > 0 ? nl::amg_conjugate_gradient(c->hermitian, c->b, x, options, amg)
                                                  : nl::amg_conjugate_gradient(c->normal, c->b, x, options, amg);
    c->used_iterations = clamp_to_int(out.cg.iterations);
    if (out.singular) {
        nl::report("nlSolve", "NL_CG_AMG_EXT: the normal matrix is singular (are enough "
                              "variables locked?)");
        return false;
    }
    c->error = out.cg.error;
    return out.cg.finite && !out.cg.stopped;
}

// Factors and solves for the free variables x; false (with a message, as
// the factorisation can fail on a well-formed system) when it cannot.
bool run_cholesky(Context *c, std::vector<double> &x) {
    if (c->progress && !c->progress(0, 1, 0.0, c->progress_data)) return false;
    std::vector<NLuint> order;  // the given one over the free variables
    for (NLuint v : c->elimination_order)
        if (c->free_number[v] != nl::kLocked) order.push_back(c->free_number[v]);
    const std::vector<NLuint> *given = order.empty() ? nullptr : &order;
    const nl::CholeskyOutcome out = c->hermitian.n > 0 ? nl::cholesky_solve_hermitian(c->hermitian, c->b, x, given)
                                                       : nl::cholesky_solve(c->normal, c->b, x, true, given);
    c->used_iterations = 0;
    if (!out.solved) {
        nl::report("nlSolve", "NL_CHOLMOD_EXT: %s", out.reason.c_str());
        return false;
    }
    c->error = out.error;
    return !c->progress || c->progress(1, 1, out.error, c->progress_data);
}

// Runs the solver; true when it produced finite values, which are then
// written to the free variables.
bool run_solver(Context *c) {
    const bool finite_values = std::all_of(c->value.begin(), c->value.end(), [](double v) { return std::isfinite(v); });
    if (c->non_finite_input || !finite_values) return false;
    std::vector<double> x(c->free_variable.size());
    for (std::size_t f = 0; f < x.size(); ++f) x[f] = c->value[c->free_variable[f]];
    bool solved;
    switch (c->params.solver) {
        case NL_CHOLMOD_EXT:
            solved = run_cholesky(c, x);
            break;
        case NL_CG_AMG_EXT:
            solved = run_amg(c, x);
            break;
        default:
            solved = run_cg(c, x);
    }
    if (!solved) return false;
    for (std::size_t f = 0; f < x.size(); ++f) c->value[c->free_variable[f]] = x[f];
    return true;
}

}  // namespace

extern "C" {

NLcontext nlNewContext(void) {
    NLcontext ctx = nullptr;
    guarded(nullptr, "nlNewContext", [&] { ctx = nl::create_context(); });
    return ctx;
}

void nlDeleteContext(NLcontext context) {
    if (context != nullptr && !nl::delete_context(context)) {
        nl::misuse(nullptr, "nlDeleteContext", "%p is not a live context", context);
    }
}

void nlMakeCurrent(NLcontext context) {
    if (!nl::make_current(context)) {
        nl::misuse(nullptr, "nlMakeCurrent", "%p is not a live context", context);
    }
}

NLcontext nlGetCurrent(void) { return nl::current_context(); }

void nlSolverParameteri(NLenum pname, NLint param) {
    const char *fn = "nlSolverParameteri";
    Context *c = nl::enter(fn);
    if (c != nullptr && nl::expect_state(c, State::Initial, fn)) set_integer(c, pname, param, fn);
}

void nlSolverParameterd(NLenum pname, NLdouble param) {
    const char *fn = "nlSolverParameterd";
    Context *c = nl::enter(fn);
    if (c != nullptr && nl::expect_state(c, State::Initial, fn)) set_double(c, pname, param, fn);
}

void nlSetProgressFunction(NLprogressFunc func, void *data) {
    Context *c = nl::enter("nlSetProgressFunction");
    if (c == nullptr) return;
    c->progress = func;
    c->progress_data = data;
}

void nlSetEliminationOrder(const NLuint *order) {
    const char *fn = "nlSetEliminationOrder";
    Context *c = nl::enter(fn);
    if (c == nullptr || !nl::expect_state(c, State::System, fn)) return;
    if (order == nullptr) {
        std::vector<NLuint>().swap(c->elimination_order);
        return;
    }
    const std::size_t n = c->value.size();
    std::vector<unsigned char> seen(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
        if (order[k] >= n || seen[order[k]]) {
            nl::misuse(c, fn, "order[%zu] = %u is not a variable or repeats one", k, order[k]);
            return;
        }
        seen[order[k]] = 1;
    }
    c->elimination_order.assign(order, order + n);
}

void nlSetMessageFunction(NLmessageFunc func, void *data) { nl::set_message_function(func, data); }

void nlGetMessageFunction(NLmessageFunc *func, void **data) {
    NLmessageFunc f;
    void *d;
    nl::get_message_function(&f, &d);
    if (func != nullptr) *func = f;
    if (data != nullptr) *data = d;
}

void nlGetIntegerv(NLenum pname, NLint *params) { get(pname, params, "nlGetIntegerv"); }

void nlGetDoublev(NLenum pname, NLdouble *params) { get(pname, params, "nlGetDoublev"); }

void nlBegin(NLenum primitive) {
    const char *fn = "nlBegin";
    Context *c = nl::enter(fn);
    if (c == nullptr) return;
    guarded(c, fn, [&] {
        switch (primitive) {
            case NL_SYSTEM:
                if (nl::expect_state(c, State::Initial, fn)) begin_system(c);
                return;
            case NL_MATRIX:
                if (nl::expect_state(c, State::System, fn)) begin_matrix(c);
                return;
            case NL_ROW:
                if (nl::expect_state(c, State::Matrix, fn)) c->state = State::Row;
                return;
            default:
                nl::misuse(c, fn, "unknown primitive 0x%x", primitive);
        }
    });
}

void nlEnd(NLenum primitive) {
    const char *fn = "nlEnd";
    Context *c = nl::enter(fn);
    if (c == nullptr) return;
    guarded(c, fn, [&] {
        switch (primitive) {
            case NL_ROW:
                if (nl::expect_state(c, State::Row, fn)) end_row(c);
                return;
            case NL_MATRIX:
                if (nl::expect_state(c, State::Matrix, fn)) end_matrix(c);
                return;
            case NL_SYSTEM:
                if (nl::expect_state(c, State::MatrixConstructed, fn)) {
                    c->state = State::SystemConstructed;
                }
                return;
            default:
                nl::misuse(c, fn, "unknown primitive 0x%x", primitive);
        }
    });
}

void nlSetVariable(NLuint index, NLdouble value) {
    const char *fn = "nlSetVariable";
    Context *c = nl::enter(fn);
    if (c != nullptr && nl::expect_state(c, State::System, fn) && nl::expect_variable(c, index, fn)) {
        c->value[index] = value;
    }
}

NLdouble nlGetVariable(NLuint index) {
    const char *fn = "nlGetVariable";
    Context *c = nl::enter_read(fn);
    return (c != nullptr && nl::expect_variable(c, index, fn)) ? c->value[index] : 0.0;
}

void nlLockVariable(NLuint index) {
    const char *fn = "nlLockVariable";
    Context *c = nl::enter(fn);
    if (c != nullptr && nl::expect_state(c, State::System, fn) && nl::expect_variable(c, index, fn)) {
        c->locked[index] = 1;
    }
}

void nlUnlockVariable(NLuint index) {
    const char *fn = "nlUnlockVariable";
    Context *c = nl::enter(fn);
    if (c != nullptr && nl::expect_state(c, State::System, fn) && nl::expect_variable(c, index, fn)) {
        c->locked[index] = 0;
    }
}

NLboolean nlIsVariableLocked(NLuint index) {
    const char *fn = "nlIsVariableLocked";
    Context *c = nl::enter_read(fn);
    if (c == nullptr || !nl::expect_variable(c, index, fn)) return NL_FALSE;
    return c->locked[index] ? NL_TRUE : NL_FALSE;
}

void nlCoefficient(NLuint index, NLdouble value) {
    const char *fn = "nlCoefficient";
    Context *c = nl::enter(fn);
    if (c == nullptr || !nl::expect_state(c, State::Row, fn) || !nl::expect_variable(c, index, fn)) {
        return;
    }
    guarded(c, fn, [&] { c->row.push_back({index, value}); });
}

void nlRightHandSide(NLdouble value) {
    const char *fn = "nlRightHandSide";
    Context *c = nl::enter(fn);
    if (c == nullptr) return;
    if (c->state != State::Matrix && c->state != State::Row) {
        return nl::misuse(c, fn, "called in state %s, legal only in MATRIX or ROW", nl::state_name(c->state));
    }
    c->rhs = value;
}

NLboolean nlSolve(void) {
    const char *fn = "nlSolve";
    Context *c = nl::enter(fn);
    if (c == nullptr || !nl::expect_state(c, State::SystemConstructed, fn)) return NL_FALSE;
    c->state = State::Solved;
    bool solved = false;
    guarded(c, fn, [&] { solved = run_solver(c); });
    // The system is not needed any more: give its memory back.
    c->normal = nl::CsrMatrix();
    c->hermitian = nl::HermitianMatrix();
    std::vector<double>().swap(c->b);
    std::vector<NLuint>().swap(c->elimination_order);
    return solved ? NL_TRUE : NL_FALSE;
}

}  // extern "C"
