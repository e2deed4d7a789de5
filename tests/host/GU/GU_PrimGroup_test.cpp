#include <gtest/gtest.h>
#include "GU/GU_PrimGroup.h"
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

using namespace test_meshes;

TEST(GUPrimGroupTest, MakesNamedGroupsAndKeepsExistingOnes) {
    GU_Detail gdp;
    buildGrid(gdp);
    GU_PrimGroup maker(&gdp);
    GB_PrimitiveGroup *g = maker.newGroup("UnwrappedGroup");
    ASSERT_NE(g, nullptr);
    EXPECT_FALSE(g->getInternal());
    EXPECT_EQ(gdp.findPrimitiveGroup("UnwrappedGroup"), g);
    g->add(2);
    EXPECT_EQ(maker.newGroup("UnwrappedGroup"), g);
    EXPECT_EQ(membersOf(g), std::vector<int>({2})) << "an existing group keeps its members";
    EXPECT_EQ(gdp.primitiveGroups().entries(), 1);
    for (const char *bad : {"", "1abc", "with space", "a-b", "a*"})
        EXPECT_EQ(maker.newGroup(bad), nullptr) << "'" << bad << "'";
    EXPECT_EQ(maker.newGroup(nullptr), nullptr);
    EXPECT_NE(maker.newGroup("_x9"), nullptr);
    EXPECT_EQ(GU_PrimGroup(nullptr).newGroup("ok"), nullptr);
}
