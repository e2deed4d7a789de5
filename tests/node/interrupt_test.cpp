// A cook that is asked to stop ends cleanly.
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(Interrupt, StoppedCookAbortsAndReleasesEverything) {
    // Polls 1 to 3 come between the stages; with the direct solver poll 4
    // comes from inside the solve, before the factorisation.
    for (int stop_at : {1, 2, 3, 4}) {
        Unwrap u;
        makeGrid(u.input, 4, 4);
        u.node->setInt("outgroup", 0, 1);
        u.node->setInt("solver", 0, stop_at == 4);
        int polls = 0;
        UTgetInterrupt()->setProgressFunc([&](const char *, int) {
            if (++polls == stop_at) UTgetInterrupt()->interrupt();
        });
        OP_ERROR e = u.cook();
        UTgetInterrupt()->setProgressFunc(nullptr);
        EXPECT_GE(e, UT_ERROR_ABORT) << stop_at;
        EXPECT_TRUE(u.said("Cook interrupted", 0)) << stop_at;
        EXPECT_EQ(u.out().vertexAttribs().find("uv"), nullptr) << stop_at;
        EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0) << stop_at;
        EXPECT_FALSE(u.node->inputsLocked());
        // The next cook starts afresh.
        EXPECT_FALSE(UTgetInterrupt()->interrupted());
        EXPECT_LT(u.cook(), UT_ERROR_ABORT);
        EXPECT_NE(u.out().vertexAttribs().find("uv"), nullptr);
    }
}
