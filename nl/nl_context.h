// The context behind an NLcontext handle, the process-wide current-context
// slot, the state machine checks and misuse reporting.
#pragma once

#include "nl.h"
#include "nl_matrix.h"

#include <limits>
#include <vector>

namespace nl {

enum class State {
    Initial,
    System,
    Matrix,
    Row,
    MatrixConstructed,
    SystemConstructed,
    Solved,
    Failed,  // after a misuse: later calls are ignored
};

const char *state_name(State s);

// Solver parameters; the *_set flags tell a caller's value from a default,
// which matters when the defaults are resolved at nlBegin(NL_MATRIX).
struct Parameters {
    NLenum solver = NL_SOLVER_DEFAULT;
    NLint nb_variables = 0;
    bool least_squares = false;
    NLint max_iterations = 100;
    bool max_iterations_set = false;
    double threshold = 1e-6;
    bool threshold_set = false;
    NLenum preconditioner = NL_PRECOND_NONE;
    bool preconditioner_set = false;
};

struct Term {
    NLuint index;  // variable index
    double value;
};

constexpr NLuint kLocked = std::numeric_limits<NLuint>::max();

struct Context {
    State state = State::Initial;
    Parameters params;

    // Variables, from nlBegin(NL_SYSTEM) on.
    std::vector<double> value;
    std::vector<unsigned char> locked;
    // From nlBegin(NL_MATRIX) on: free number of each variable (kLocked for
    // locked ones) and the variable of each free number.
    std::vector<NLuint> free_number;
    std::vector<NLuint> free_variable;

    // The open row and the right-hand side of the open or next row.
    std::vector<Term> row;
    double rhs = 0.0;

    // The normal equations M x = b over the free variables.
    RowList rows;  // free terms of the closed rows, until nlEnd(NL_MATRIX)
    // For the direct and multigrid solvers, while every pair of rows has been one complex
    // equation: those pairs, at a third of the memory; rows then holds at
    // most the pair being written.
    bool pairing = false;
    ComplexRows complex_rows;
    std::vector<double> b;
    CsrMatrix normal;
    // In its place, for the direct solver when the rows pair up as complex
    // equations: the Hermitian matrix of half the size (hermitian.n > 0).
    HermitianMatrix hermitian;
    bool non_finite_input = false;  // a coefficient or right-hand side

    // The direct solver's elimination order of the variables; empty: its own.
    std::vector<NLuint> elimination_order;

    // Progress reports during nlSolve(); a false answer stops it.
    NLprogressFunc progress = nullptr;
    void *progress_data = nullptr;

    // Results of nlSolve().
    NLint used_iterations = 0;
    double error = 0.0;
};

// Creates a context, registers it as live and makes it current.
Context *create_context();
// Frees a live context; false (and nothing done) if it is not live.
bool delete_context(NLcontext handle);
// Makes a live context or nullptr current; false if it is not live.
bool make_current(NLcontext handle);
Context *current_context();

// The process-wide message function (nullptr: print on stderr) and its data.
void set_message_function(NLmessageFunc func, void *data);
void get_message_function(NLmessageFunc *func, void **data);

// Gives the message "OpenNL error in <function>(): <reason>" (to the
// message function, or on stderr), and nothing else: for a failure that is
// not the caller's misuse.
void report(const char *function, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Gives the message as report() does and puts ctx
// into the failed state. Silent when ctx has already failed, so one misuse
// gives one message.
void misuse(Context *ctx, const char *function, const char *format, ...) __attribute__((format(printf, 3, 4)));

// The current context for a call of function that changes it; nullptr when
// there is none (reported) or it has failed (silently).
Context *enter(const char *function);
// The current context for a read-only call: also a failed one.
Context *enter_read(const char *function);

// True when ctx is in state s; otherwise a misuse.
bool expect_state(Context *ctx, State s, const char *function);
// True when ctx has variables (any state after nlBegin(NL_SYSTEM)) and
// index is one of them; otherwise a misuse. Read-only, so a failed context
// with variables passes.
bool expect_variable(Context *ctx, NLuint index, const char *function);

}  // namespace nl
