// Shared helpers of the nl tests: a fresh current context per test and
// short ways to write rows.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "nl.h"

class NlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = nlNewContext();
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(nlGetCurrent(), ctx_);
    }
    void TearDown() override { nlDeleteContext(ctx_); }

    NLcontext ctx_ = nullptr;
};

// Sets up a least-squares system of n variables and enters SYSTEM.
inline void begin_system(NLint n) {
    nlSolverParameteri(NL_NB_VARIABLES, n);
    nlSolverParameteri(NL_LEAST_SQUARES, NL_TRUE);
    nlBegin(NL_SYSTEM);
}

inline void lock(NLuint i, double value) {
    nlSetVariable(i, value);
    nlLockVariable(i);
}

// One row: sum(a * x[i]) = rhs.
inline void row(std::initializer_list<std::pair<NLuint, double>> terms, double rhs = 0.0) {
    nlBegin(NL_ROW);
    for (const auto &[i, a] : terms) nlCoefficient(i, a);
    nlRightHandSide(rhs);
    nlEnd(NL_ROW);
}

// Closes the matrix and the system: the context is ready for nlSolve().
inline void end_system() {
    nlEnd(NL_MATRIX);
    nlEnd(NL_SYSTEM);
}

inline NLint used_iterations() {
    NLint its = -1;
    nlGetIntegerv(NL_USED_ITERATIONS, &its);
    return its;
}
