// Progress reports during nlSolve and stopping a solve from them.
#include "nl_test_support.h"

namespace {
struct Progress {
    int calls = 0;
    int stop_at = -1;  // call number that answers NL_FALSE
    NLuint last_iteration = 0;
};

NLboolean report(NLuint iteration, NLuint, NLdouble, void *data) {
    auto *p = static_cast<Progress *>(data);
    p->last_iteration = iteration;
    return ++p->calls == p->stop_at ? NL_FALSE : NL_TRUE;
}

// A chain x0 - x1 - ... - x(n-1) pulled to x0 = 0 and x(n-1) = 1: slow
// enough for CG to report a few times.
void chain(NLuint n, NLenum solver) {
    nlSolverParameteri(NL_SOLVER, solver);
    nlSolverParameteri(NL_MAX_ITERATIONS, 10000);
    nlSolverParameterd(NL_THRESHOLD, 1e-14);
    begin_system(static_cast<NLint>(n));
    lock(0, 0.0);
    lock(n - 1, 1.0);
    for (NLuint i = 1; i < n; ++i) nlSetVariable(i, 0.25);
    nlSetVariable(n - 1, 1.0);
    nlBegin(NL_MATRIX);
    for (NLuint i = 0; i + 1 < n; ++i) row({{i, 1.0}, {i + 1, -1.0}});
    end_system();
}
}  // namespace

using NlProgress = NlTest;

TEST_F(NlProgress, ConjugateGradientReportsAndStopsWhenAsked) {
    Progress p;
    nlSetProgressFunction(report, &p);
    chain(400, NL_CG);
    EXPECT_EQ(nlSolve(), NL_TRUE);
    EXPECT_GT(p.calls, 1);
    EXPECT_LE(p.last_iteration, static_cast<NLuint>(used_iterations()));
    EXPECT_NEAR(nlGetVariable(200), 200.0 / 399.0, 1e-9);
}

TEST_F(NlProgress, StoppedSolveFailsAndKeepsTheStartValues) {
    for (NLenum solver : {NLenum(NL_CG), NLenum(NL_CHOLMOD_EXT)}) {
        NLcontext ctx = nlNewContext();
        Progress p;
        p.stop_at = 1;
        nlSetProgressFunction(report, &p);
        chain(400, solver);
        EXPECT_EQ(nlSolve(), NL_FALSE) << solver;
        EXPECT_EQ(p.calls, 1) << solver;
        EXPECT_EQ(nlGetVariable(200), 0.25) << solver;
        nlDeleteContext(ctx);
    }
    nlMakeCurrent(ctx_);
}
