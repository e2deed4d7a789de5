// The input-group step, inside the cook and called by the host alone.
#include <gtest/gtest.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

TEST(InputGroups, InsideTheCookTheGroupIsSelected) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.node->setString("group", 0, "0-1");
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    ASSERT_NE(u.node->getSelection(), nullptr);
    EXPECT_FALSE(u.node->inputsLocked());
    EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0);
}

TEST(InputGroups, CalledAloneItParsesTheInputAndLeavesNothingBehind) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.input.newPrimitiveGroup("left")->add(0);
    OP_Context ctx(0);

    u.node->setString("group", 0, "left");
    EXPECT_EQ(u.node->cookInputGroups(ctx, 1), UT_ERROR_NONE);
    EXPECT_EQ(u.node->getSelection(), nullptr);  // the selection is the cook's business
    EXPECT_FALSE(u.node->inputsLocked());
    EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0);
    EXPECT_EQ(u.input.primitiveGroups().entries(), 1);

    u.node->setString("group", 0, "right");
    EXPECT_GE(u.node->cookInputGroups(ctx, 1), UT_ERROR_ABORT);
    ASSERT_FALSE(u.node->messages().empty());
    EXPECT_EQ(u.node->messages().back().code, 2);
    EXPECT_EQ(u.node->messages().back().text, "right");
    EXPECT_FALSE(u.node->inputsLocked());

    // Without an input the lock fails and nothing is parsed.
    Unwrap none;
    none.node->setInput(0, nullptr);
    none.node->setString("group", 0, "left");
    EXPECT_GE(none.node->cookInputGroups(ctx, 1), UT_ERROR_ABORT);
}
