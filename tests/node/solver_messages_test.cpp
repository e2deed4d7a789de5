// The solver library's messages reach the user only through the node.
#include <gtest/gtest.h>
#include <nl.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(SolverMessages, AFailedFactorisationPrintsNothingAndIsTheNodesMessage) {
    // Two grids flattened in one system, each held by one default pin: the
    // normal matrix is singular.
    Unwrap u;
    makeGrid(u.input, 3, 2, 3.0f, 1.0f);
    makeGrid(u.input, 3, 2, 3.0f, 1.0f, nullptr, 10.0f, 0.0f);
    u.node->setInt("hintprim", 0, 999);
    u.node->setInt("solver", 0, 1);
    testing::internal::CaptureStderr();
    u.cook();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.find("OpenNL"), std::string::npos) << printed;
    EXPECT_TRUE(u.said("No solution for unwrapper, check pins have valid uvs", 4));
    bool relayed = false;
    for (const auto &m : u.node->messages())
        relayed |= m.severity == UT_ERROR_MESSAGE && m.text.rfind("Solver: nlSolve(): NL_CHOLMOD_EXT: ", 0) == 0;
    EXPECT_TRUE(relayed);
    // The cook puts back the library's own message function.
    NLmessageFunc f = [](const char *, const char *, void *) {};
    void *d = &f;
    nlGetMessageFunction(&f, &d);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(d, nullptr);
}
