#include <gtest/gtest.h>
#include <memory>
#include "GOP/GOP_Manager.h"
#include "support/test_meshes.h"

using namespace test_meshes;

class GroupManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildGrid(a);
        buildGrid(b);
        a.newPrimitiveGroup("named")->add(1);
    }
    GU_Detail a, b;
    GOP_Manager mgr;
};

TEST_F(GroupManagerTest, CreatedGroupsAreInternalGroupsOfTheirDetail) {
    GB_PrimitiveGroup *prim = mgr.createPrimitiveGroup(a, "tmpPrimGroup");
    GB_PointGroup *pt = mgr.createPointGroup(a);
    GB_EdgeGroup *edge = mgr.createEdgeGroup(b, "tmpEdgeGroup");
    EXPECT_TRUE(prim->getInternal() && pt->getInternal() && edge->getInternal());
    EXPECT_STREQ(prim->getName(), "tmpPrimGroup");
    EXPECT_TRUE(a.primitiveGroups().owns(prim));
    EXPECT_TRUE(a.pointGroups().owns(pt));
    EXPECT_TRUE(b.edgeGroups().owns(edge));
    EXPECT_EQ(a.findPrimitiveGroup("tmpPrimGroup"), nullptr) << "ad-hoc groups are not named groups";
    EXPECT_NE(mgr.createPrimitiveGroup(a, "tmpPrimGroup"), prim) << "a repeated name makes a second group";
    EXPECT_EQ(mgr.adhocGroupCount(), 4);
    EXPECT_EQ(mgr.adhocGroupCount(&a), 3);
}

TEST_F(GroupManagerTest, DestroyPerDetailLeavesOtherDetailsAndNamedGroups) {
    mgr.createPrimitiveGroup(a);
    mgr.createEdgeGroup(a);
    mgr.parsePointGroups("0-3", &a);
    GB_PrimitiveGroup *keep = mgr.createPrimitiveGroup(b);
    mgr.destroyAdhocGroups(&a);
    EXPECT_EQ(a.primitiveGroups().entries(), 1) << "only the named group is left";
    EXPECT_NE(a.findPrimitiveGroup("named"), nullptr);
    EXPECT_EQ(a.pointGroups().entries(), 0);
    EXPECT_EQ(a.edgeGroups().entries(), 0);
    EXPECT_TRUE(b.primitiveGroups().owns(keep));
    EXPECT_EQ(mgr.adhocGroupCount(), 1);
}

TEST_F(GroupManagerTest, DestroyAllEmptiesEveryDetail) {
    mgr.createPrimitiveGroup(a);
    mgr.parseEdgeGroups("*", &a);
    mgr.parsePrimitiveGroups("named", &a);
    mgr.createPointGroup(b);
    mgr.createEdgeGroup(b);
    mgr.destroyAdhocGroups();
    EXPECT_EQ(mgr.adhocGroupCount(), 0);
    EXPECT_EQ(a.primitiveGroups().entries(), 1);
    EXPECT_EQ(a.edgeGroups().entries(), 0);
    EXPECT_EQ(b.pointGroups().entries(), 0);
    EXPECT_EQ(b.edgeGroups().entries(), 0);
    mgr.destroyAdhocGroups();  // nothing left: must not touch anything
    EXPECT_EQ(a.primitiveGroups().entries(), 1);
}

TEST_F(GroupManagerTest, DestroyOneGroupOnlyTouchesOwnAdhocGroups) {
    GB_PrimitiveGroup *g1 = mgr.createPrimitiveGroup(a);
    GB_PrimitiveGroup *g2 = mgr.createPrimitiveGroup(a);
    GB_EdgeGroup *e = mgr.createEdgeGroup(a);
    mgr.destroyAdhocGroup(g1);
    EXPECT_FALSE(a.primitiveGroups().owns(g1));
    EXPECT_TRUE(a.primitiveGroups().owns(g2));
    mgr.destroyAdhocGroup(a.findPrimitiveGroup("named"));
    EXPECT_NE(a.findPrimitiveGroup("named"), nullptr) << "a named group is not the manager's to destroy";
    GOP_Manager other;
    GB_PrimitiveGroup *foreign = other.createPrimitiveGroup(a);
    mgr.destroyAdhocGroup(foreign);
    EXPECT_TRUE(a.primitiveGroups().owns(foreign)) << "another manager's group";
    mgr.destroyAdhocGroup(e);
    EXPECT_EQ(a.edgeGroups().entries(), 0);
    EXPECT_EQ(mgr.adhocGroupCount(), 1);
    other.destroyAdhocGroups();
}

TEST(GroupManagerLifetimeTest, DestructorDoesNotTouchDetailsThatAreGone) {
    auto mgr = std::make_unique<GOP_Manager>();
    {
        GU_Detail gone;
        buildGrid(gone);
        mgr->createPrimitiveGroup(gone);
        mgr->destroyAdhocGroups(&gone);  // what a caller must do before a detail goes
        EXPECT_EQ(gone.primitiveGroups().entries(), 0);
    }
    EXPECT_EQ(mgr->adhocGroupCount(), 0);
    auto detail = std::make_unique<GU_Detail>();
    mgr->createEdgeGroup(*detail);
    detail.reset();  // a detail deleted without clean-up: the destructor only forgets it
    EXPECT_EQ(mgr->adhocGroupCount(), 1);
    mgr.reset();  // a use-after-free (caught by the address sanitizer) if it touched the detail
}
