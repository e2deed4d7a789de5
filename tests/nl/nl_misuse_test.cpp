// Misuse and bad data: a message on stderr, a failed context, nlSolve()
// returning NL_FALSE, variables left as set; never an abort.
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "nl_test_support.h"

namespace {

enum class Stage { None, Initial, System, Matrix, Row, MatrixDone, SystemDone, Solved };

// Drives the system "x0 locked at 1, x1 - x0 = 2" through every state and
// calls misuse on reaching `at`. Returns what nlSolve() returned.
NLboolean drive(Stage at, const std::function<void()> &misuse) {
    auto reach = [&](Stage s) {
        if (s == at) misuse();
    };
    reach(Stage::Initial);
    begin_system(2);
    lock(0, 1.0);
    nlSetVariable(1, 0.5);
    reach(Stage::System);
    nlBegin(NL_MATRIX);
    reach(Stage::Matrix);
    nlBegin(NL_ROW);
    nlCoefficient(1, 1.0);
    nlCoefficient(0, -1.0);
    nlRightHandSide(2.0);
    reach(Stage::Row);
    nlEnd(NL_ROW);
    nlEnd(NL_MATRIX);
    reach(Stage::MatrixDone);
    nlEnd(NL_SYSTEM);
    reach(Stage::SystemDone);
    const NLboolean solved = nlSolve();
    reach(Stage::Solved);
    return solved;
}

size_t count(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

using NlMisuse = NlTest;

TEST_F(NlMisuse, CorrectUseSolvesSilently) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(drive(Stage::None, [] {}), NL_TRUE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NEAR(nlGetVariable(1), 3.0, 1e-12);
}

struct Case {
    const char *what;
    Stage at;
    const char *function;  // expected in the message
    std::function<void()> call;
};

const Case kCases[] = {
    {"begin system without a variable count", Stage::Initial, "nlBegin", [] { nlBegin(NL_SYSTEM); }},
    {"begin matrix in INITIAL", Stage::Initial, "nlBegin", [] { nlBegin(NL_MATRIX); }},
    {"end system in INITIAL", Stage::Initial, "nlEnd", [] { nlEnd(NL_SYSTEM); }},
    {"unknown primitive", Stage::Initial, "nlBegin", [] { nlBegin(0x42); }},
    {"set variable in INITIAL", Stage::Initial, "nlSetVariable", [] { nlSetVariable(0, 1); }},
    {"elimination order in MATRIX", Stage::Matrix, "nlSetEliminationOrder", [] { nlSetEliminationOrder(nullptr); }},
    {"elimination order repeating a variable", Stage::System, "nlSetEliminationOrder",
     [] {
         const NLuint twice[2] = {1, 1};
         nlSetEliminationOrder(twice);
     }},
    {"get variable in INITIAL", Stage::Initial, "nlGetVariable", [] { nlGetVariable(0); }},
    {"solve in INITIAL", Stage::Initial, "nlSolve", [] { nlSolve(); }},
    {"zero variables", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(NL_NB_VARIABLES, 0); }},
    {"negative variables", Stage::Initial, "nlSolverParameterd", [] { nlSolverParameterd(NL_NB_VARIABLES, -3.0); }},
    {"zero iteration cap", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(NL_MAX_ITERATIONS, 0); }},
    {"fractional iteration cap", Stage::Initial, "nlSolverParameterd",
     [] { nlSolverParameterd(NL_MAX_ITERATIONS, 2.5); }},
    {"negative threshold", Stage::Initial, "nlSolverParameterd", [] { nlSolverParameterd(NL_THRESHOLD, -1e-3); }},
    {"NaN threshold", Stage::Initial, "nlSolverParameterd", [] { nlSolverParameterd(NL_THRESHOLD, std::nan("")); }},
    {"threshold as an integer", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(NL_THRESHOLD, 1); }},
    {"least squares neither true nor false", Stage::Initial, "nlSolverParameteri",
     [] { nlSolverParameteri(NL_LEAST_SQUARES, 2); }},
    {"unknown parameter", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(0x999, 1); }},
    {"read-only parameter", Stage::Initial, "nlSolverParameterd", [] { nlSolverParameterd(NL_ERROR, 1.0); }},
    {"BiCGSTAB", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(NL_SOLVER, NL_BICGSTAB); }},
    {"unknown solver", Stage::Initial, "nlSolverParameteri", [] { nlSolverParameteri(NL_SOLVER, 0x202); }},
    {"unknown preconditioner", Stage::Initial, "nlSolverParameteri",
     [] { nlSolverParameteri(NL_PRECONDITIONER, 0x301); }},
    {"get unknown parameter", Stage::Initial, "nlGetIntegerv",
     [] {
         NLint v;
         nlGetIntegerv(0x999, &v);
     }},
    {"get into NULL", Stage::Initial, "nlGetDoublev", [] { nlGetDoublev(NL_ERROR, nullptr); }},
    {"parameter in SYSTEM", Stage::System, "nlSolverParameteri", [] { nlSolverParameteri(NL_MAX_ITERATIONS, 10); }},
    {"begin system twice", Stage::System, "nlBegin", [] { nlBegin(NL_SYSTEM); }},
    {"row in SYSTEM", Stage::System, "nlBegin", [] { nlBegin(NL_ROW); }},
    {"end matrix in SYSTEM", Stage::System, "nlEnd", [] { nlEnd(NL_MATRIX); }},
    {"coefficient in SYSTEM", Stage::System, "nlCoefficient", [] { nlCoefficient(1, 1); }},
    {"right-hand side in SYSTEM", Stage::System, "nlRightHandSide", [] { nlRightHandSide(1); }},
    {"set variable out of range", Stage::System, "nlSetVariable", [] { nlSetVariable(2, 0); }},
    {"lock out of range", Stage::System, "nlLockVariable", [] { nlLockVariable(2); }},
    {"get out of range", Stage::System, "nlGetVariable", [] { nlGetVariable(7); }},
    {"locked? out of range", Stage::System, "nlIsVariableLocked", [] { nlIsVariableLocked(~0u); }},
    {"set variable in MATRIX", Stage::Matrix, "nlSetVariable", [] { nlSetVariable(1, 5); }},
    {"lock in MATRIX", Stage::Matrix, "nlLockVariable", [] { nlLockVariable(1); }},
    {"coefficient in MATRIX", Stage::Matrix, "nlCoefficient", [] { nlCoefficient(1, 1); }},
    {"end row in MATRIX", Stage::Matrix, "nlEnd", [] { nlEnd(NL_ROW); }},
    {"end system in MATRIX", Stage::Matrix, "nlEnd", [] { nlEnd(NL_SYSTEM); }},
    {"solve in MATRIX", Stage::Matrix, "nlSolve", [] { nlSolve(); }},
    {"nested row", Stage::Row, "nlBegin", [] { nlBegin(NL_ROW); }},
    {"end matrix in ROW", Stage::Row, "nlEnd", [] { nlEnd(NL_MATRIX); }},
    {"coefficient out of range", Stage::Row, "nlCoefficient", [] { nlCoefficient(2, 1); }},
    {"unlock in ROW", Stage::Row, "nlUnlockVariable", [] { nlUnlockVariable(0); }},
    {"threshold in ROW", Stage::Row, "nlSolverParameterd", [] { nlSolverParameterd(NL_THRESHOLD, 1e-3); }},
    {"row after the matrix", Stage::MatrixDone, "nlBegin", [] { nlBegin(NL_ROW); }},
    {"solve before end system", Stage::MatrixDone, "nlSolve", [] { nlSolve(); }},
    {"end system twice", Stage::SystemDone, "nlEnd", [] { nlEnd(NL_SYSTEM); }},
    {"coefficient before solve", Stage::SystemDone, "nlCoefficient", [] { nlCoefficient(1, 1); }},
    {"second solve", Stage::Solved, "nlSolve", [] { EXPECT_EQ(nlSolve(), NL_FALSE); }},
};

TEST_F(NlMisuse, EachMisuseReportsOnceAndFailsTheSolve) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.what);
        nlDeleteContext(ctx_);
        ctx_ = nlNewContext();
        testing::internal::CaptureStderr();
        const NLboolean solved = drive(c.at, c.call);
        const std::string err = testing::internal::GetCapturedStderr();
        if (c.at != Stage::Solved) {
            EXPECT_EQ(solved, NL_FALSE);
        }
        EXPECT_EQ(count(err, "OpenNL error in "), 1u) << err;
        EXPECT_EQ(err.rfind(std::string("OpenNL error in ") + c.function + "(): ", 0), 0u) << err;
    }
}

TEST_F(NlMisuse, FailedContextIgnoresChangesButStillAnswers) {
    NLcontext other = nlNewContext();
    begin_system(2);
    lock(0, 1.0);
    testing::internal::CaptureStderr();
    nlCoefficient(0, 1.0);  // misuse in SYSTEM
    nlSetVariable(0, 9.0);  // ignored
    nlUnlockVariable(0);    // ignored
    EXPECT_EQ(count(testing::internal::GetCapturedStderr(), "OpenNL"), 1u);
    EXPECT_EQ(nlGetVariable(0), 1.0);
    EXPECT_EQ(nlIsVariableLocked(0), NL_TRUE);
    NLint n = 0;
    nlGetIntegerv(NL_NB_VARIABLES, &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(nlSolve(), NL_FALSE);

    nlMakeCurrent(ctx_);  // a fresh context is not affected
    EXPECT_EQ(drive(Stage::None, [] {}), NL_TRUE);
    nlDeleteContext(other);
}

TEST_F(NlMisuse, LeastSquaresOffIsRejectedAtBeginMatrix) {
    nlSolverParameteri(NL_NB_VARIABLES, 1);
    nlBegin(NL_SYSTEM);
    testing::internal::CaptureStderr();
    nlBegin(NL_MATRIX);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("NL_LEAST_SQUARES"), std::string::npos);
    EXPECT_EQ(nlSolve(), NL_FALSE);
}

TEST_F(NlMisuse, CholmodIsAcceptedAndSolvesSilently) {
    testing::internal::CaptureStderr();
    const NLboolean solved = drive(Stage::Initial, [] { nlSolverParameteri(NL_SOLVER, NL_CHOLMOD_EXT); });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(solved, NL_TRUE);
    EXPECT_EQ(err, "");
    EXPECT_NEAR(nlGetVariable(1), 3.0, 1e-12);
    NLint solver = 0;
    nlGetIntegerv(NL_SOLVER, &solver);
    EXPECT_EQ(solver, NL_CHOLMOD_EXT);
}

TEST_F(NlMisuse, HandlesAreCheckedAndNoContextIsReported) {
    NLcontext stale = ctx_;
    nlDeleteContext(ctx_);
    ctx_ = nullptr;
    EXPECT_EQ(nlGetCurrent(), nullptr);
    testing::internal::CaptureStderr();
    nlDeleteContext(stale);  // double delete
    nlMakeCurrent(stale);
    nlBegin(NL_SYSTEM);  // no current context
    const NLboolean solved = nlSolve();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(solved, NL_FALSE);
    EXPECT_NE(err.find("OpenNL error in nlDeleteContext(): "), std::string::npos) << err;
    EXPECT_NE(err.find("OpenNL error in nlMakeCurrent(): "), std::string::npos) << err;
    EXPECT_NE(err.find("OpenNL error in nlBegin(): no current context"), std::string::npos) << err;
    EXPECT_EQ(nlGetCurrent(), nullptr);
    nlDeleteContext(nullptr);  // like free(NULL)
}

// ---- Non-finite data ----

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct BadData {
    const char *what;
    double locked_value, start_value, coefficient, locked_coefficient, rhs;
};

// x0 locked, x1 free, x2 locked and in no row; one row
// coefficient * x1 + locked_coefficient * x0 = rhs.
const BadData kBadData[] = {
    {"NaN coefficient", 1.0, 0.5, kNaN, 1.0, 2.0},
    {"infinite coefficient of a locked variable", 1.0, 0.5, 1.0, kInf, 2.0},
    {"infinite right-hand side", 1.0, 0.5, 1.0, 1.0, -kInf},
    {"NaN locked value", kNaN, 0.5, 1.0, 1.0, 2.0},
    {"infinite start value", 1.0, kInf, 1.0, 1.0, 2.0},
    {"products overflow during the solve", 1.0, 0.5, 1e200, 1.0, 2.0},
};

TEST_F(NlMisuse, NonFiniteDataFailsTheSolveAndKeepsTheValues) {
    for (const BadData &d : kBadData) {
        SCOPED_TRACE(d.what);
        nlDeleteContext(ctx_);
        ctx_ = nlNewContext();
        begin_system(3);
        lock(0, d.locked_value);
        nlSetVariable(1, d.start_value);
        lock(2, 4.0);
        nlBegin(NL_MATRIX);
        row({{1, d.coefficient}, {0, d.locked_coefficient}}, d.rhs);
        end_system();
        testing::internal::CaptureStderr();
        EXPECT_EQ(nlSolve(), NL_FALSE);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_TRUE(std::isnan(d.locked_value) ? std::isnan(nlGetVariable(0)) : nlGetVariable(0) == d.locked_value);
        EXPECT_EQ(nlGetVariable(1), d.start_value);
        EXPECT_EQ(nlGetVariable(2), 4.0);
    }
}

TEST_F(NlMisuse, NonFiniteLockedValueOutsideAllRowsStillFails) {
    begin_system(2);
    lock(0, kNaN);
    nlBegin(NL_MATRIX);
    row({{1, 1.0}}, 2.0);
    end_system();
    EXPECT_EQ(nlSolve(), NL_FALSE);
    EXPECT_EQ(nlGetVariable(1), 0.0);
}

}  // namespace
