#include <gtest/gtest.h>
#include "GOP/GOP_Manager.h"
#include "GOP/GOP_Pattern.h"
#include "support/test_meshes.h"

using namespace test_meshes;

using V = std::vector<int>;

class PrimPatternTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildGrid(gdp);
        GB_PrimitiveGroup *left = gdp.newPrimitiveGroup("left");
        left->add(0);
        left->add(2);
        GB_PrimitiveGroup *bottom = gdp.newPrimitiveGroup("bottom");
        bottom->add(0);
        bottom->add(1);
        gdp.newPrimitiveGroup("lone")->add(4);
        gdp.newPrimitiveGroup("empty");
    }
    /// Members of the parsed group; {-1} stands for a null result.
    V parse(const char *pattern, int allow_numeric = 1, int offset = 0) {
        const GB_PrimitiveGroup *g = mgr.parsePrimitiveGroups(pattern, &gdp, allow_numeric, 1, false, offset);
        return g ? membersOf(g) : V{-1};
    }
    GU_Detail gdp;
    GOP_Manager mgr;
};

TEST_F(PrimPatternTest, NumbersAndRanges) {
    EXPECT_EQ(parse("3"), V({3}));
    EXPECT_EQ(parse("0 2"), V({0, 2}));
    EXPECT_EQ(parse("1-3"), V({1, 2, 3}));
    EXPECT_EQ(parse("3-1"), V({1, 2, 3})) << "a reversed range is inclusive too";
    EXPECT_EQ(parse("0-4:2"), V({0, 2, 4}));
    EXPECT_EQ(parse("4-0:3"), V({1, 4})) << "a reversed stepped range steps down from its first number";
    EXPECT_EQ(parse("  1\t\n3  "), V({1, 3})) << "any white space separates tokens";
}

TEST_F(PrimPatternTest, NumbersBeyondTheDetailAreIgnored) {
    EXPECT_EQ(parse("5"), V{});
    EXPECT_EQ(parse("3-9"), V({3, 4}));
    EXPECT_EQ(parse("9-2:2"), V({3})) << "9,7,5,3: only 3 exists";
    EXPECT_EQ(parse("2 99999999999999"), V({2}));
    EXPECT_EQ(parse("0-2000000000"), V({0, 1, 2, 3, 4})) << "a huge range must not be walked element by element";
}

TEST_F(PrimPatternTest, OffsetShiftsEveryNumber) {
    EXPECT_EQ(parse("0 2", 1, 1), V({1, 3}));
    EXPECT_EQ(parse("0-3", 1, 2), V({2, 3, 4}));
}

TEST_F(PrimPatternTest, GroupNamesAndWildcards) {
    EXPECT_EQ(parse("left"), V({0, 2}));
    EXPECT_EQ(parse("left bottom"), V({0, 1, 2}));
    EXPECT_EQ(parse("*"), V({0, 1, 2, 3, 4}));
    EXPECT_EQ(parse("l*"), V({0, 2, 4})) << "left and lone";
    EXPECT_EQ(parse("?one"), V({4}));
    EXPECT_EQ(parse("[bl]o*"), V({0, 1, 4})) << "bottom and lone, not left";
    EXPECT_EQ(parse("x*"), V{}) << "a wildcard matching no group names nothing, validly";
    EXPECT_EQ(parse("empty"), V{});
}

TEST_F(PrimPatternTest, RemoveAndComplement) {
    EXPECT_EQ(parse("* ^left"), V({1, 3, 4}));
    EXPECT_EQ(parse("0-4 ^1-2"), V({0, 3, 4}));
    EXPECT_EQ(parse("!left"), V({1, 3, 4}));
    EXPECT_EQ(parse("!3"), V({0, 1, 2, 4}));
    EXPECT_EQ(parse("* ^!bottom"), V({0, 1})) << "removing the complement keeps the group";
    EXPECT_EQ(parse("^left"), V{}) << "removing from nothing";
    EXPECT_EQ(parse("left ^0 0"), V({0, 2})) << "tokens apply left to right";
}

TEST_F(PrimPatternTest, MissingNamesAndMalformedTokensGiveNull) {
    EXPECT_EQ(parse("nosuch"), V{-1});
    EXPECT_EQ(parse("left nosuch"), V{-1});
    EXPECT_EQ(parse("* ^nosuch"), V{-1});
    for (const char *bad : {"1-", "1-x", "1-3:0", "1-3:", "2:2", "3x", "^", "!", "^!", "1--2"})
        EXPECT_EQ(parse(bad), V{-1}) << "'" << bad << "'";
    EXPECT_EQ(mgr.parsePrimitiveGroups(nullptr, &gdp), nullptr);
    EXPECT_EQ(mgr.parsePrimitiveGroups("0", nullptr), nullptr);
}

TEST_F(PrimPatternTest, NumbersRefusedWhenNotAllowed) {
    EXPECT_EQ(parse("1", 0), V{-1});
    EXPECT_EQ(parse("left", 0), V({0, 2}));
}

TEST_F(PrimPatternTest, AdhocGroupsAreNotFoundByNameOrWildcard) {
    GB_PrimitiveGroup *hidden = mgr.createPrimitiveGroup(gdp, "hidden");
    hidden->add(3);
    EXPECT_EQ(parse("hidden"), V{-1});
    EXPECT_EQ(parse("h*"), V{});
}

TEST_F(PrimPatternTest, ResultIsANewAdhocGroupEvenForOneGroupName) {
    const GB_PrimitiveGroup *g = mgr.parsePrimitiveGroups("left", &gdp);
    ASSERT_NE(g, nullptr);
    EXPECT_NE(g, gdp.findPrimitiveGroup("left"));
    EXPECT_TRUE(g->getInternal());
    EXPECT_EQ(mgr.adhocGroupCount(&gdp), 1);
    const GB_PrimitiveGroup *empty = mgr.parsePrimitiveGroups("", &gdp);
    ASSERT_NE(empty, nullptr) << "an empty pattern is valid and names nothing";
    EXPECT_TRUE(empty->isEmpty());
}

TEST(PointPatternTest, PointNumbersAndPointGroups) {
    GU_Detail gdp;
    buildGrid(gdp);
    GB_PointGroup *corners = gdp.newPointGroup("corners");
    for (int p : {0, 2, 6, 8}) corners->add(p);
    gdp.newPrimitiveGroup("primonly")->add(0);
    GOP_Manager mgr;
    EXPECT_EQ(membersOf(mgr.parsePointGroups("corners ^0 4", &gdp)), V({2, 4, 6, 8}));
    EXPECT_EQ(membersOf(mgr.parsePointGroups("7-20", &gdp)), V({7, 8}));
    EXPECT_EQ(membersOf(mgr.parsePointGroups("!corners", &gdp)), V({1, 3, 4, 5, 7}));
    EXPECT_EQ(mgr.parsePointGroups("primonly", &gdp), nullptr) << "primitive groups are not point groups";
}

TEST(WildcardTest, MatchesLikeShellPatterns) {
    using GOP_Pattern::matchWildcard;
    EXPECT_TRUE(matchWildcard("*", ""));
    EXPECT_TRUE(matchWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(matchWildcard("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(matchWildcard("*seam", "seamseam")) << "needs backtracking past the first match";
    EXPECT_TRUE(matchWildcard("g?p", "grp"));
    EXPECT_FALSE(matchWildcard("g?p", "gp"));
    EXPECT_TRUE(matchWildcard("grp[0-3]", "grp2"));
    EXPECT_FALSE(matchWildcard("grp[0-3]", "grp4"));
    EXPECT_TRUE(matchWildcard("[ab]x", "bx"));
    EXPECT_FALSE(matchWildcard("[ab]x", "cx"));
    EXPECT_TRUE(matchWildcard("a[b", "a[b")) << "an unclosed set is a literal bracket";
    EXPECT_FALSE(matchWildcard("abc", "ab"));
}
