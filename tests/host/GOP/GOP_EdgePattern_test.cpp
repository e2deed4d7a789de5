#include <gtest/gtest.h>
#include <string>
#include <utility>
#include "GOP/GOP_Manager.h"
#include "support/test_meshes.h"

using namespace test_meshes;

// Edges are written "a-b" (the group's direction) with "@prim" after them.
using E = std::vector<std::string>;

class EdgePatternTest : public ::testing::Test {
protected:
    void SetUp() override {
        buildGrid(gdp);
        GB_EdgeGroup *rim = gdp.newEdgeGroup("rim");
        rim->add(gdp.points()(0), gdp.points()(1), gdp.primitives()(0));
        rim->add(gdp.points()(1), gdp.points()(2), gdp.primitives()(1));
        gdp.newEdgeGroup("ridge")->add(gdp.points()(4), gdp.points()(7), gdp.primitives()(2));
    }
    /// The parsed edges, or {"null"}.
    E parse(const char *pattern, int prim_offset = 0, int pt_offset = 0) {
        GB_EdgeGroup *g = mgr.parseEdgeGroups(pattern, &gdp, true, prim_offset, pt_offset);
        if (!g) return {"null"};
        E out;
        for (const GB_Edge &e : g->edges())
            out.push_back(std::to_string(e.p0Num()) + "-" + std::to_string(e.p1Num()) + "@" +
                          (e.prim ? std::to_string(e.prim->getNum()) : std::string("none")));
        return out;
    }
    GU_Detail gdp;
    GOP_Manager mgr;
};

TEST_F(EdgePatternTest, PointPairsKeepTheirDirectionAndFindAnAdjoiningPolygon) {
    EXPECT_EQ(parse("p0-1"), E({"0-1@0"}));
    EXPECT_EQ(parse("p1-0"), E({"1-0@0"}));
    EXPECT_EQ(parse("p4-7"), E({"4-7@2"})) << "the first polygon holding the edge";
    EXPECT_EQ(parse("p7-8"), E({"7-8@3"}));
}

TEST_F(EdgePatternTest, ChainsNameConsecutiveEdges) {
    EXPECT_EQ(parse("p0-1-4-3-0"), E({"0-1@0", "1-4@0", "4-3@0", "3-0@0"}));
    EXPECT_EQ(parse("p0-1-5-8"), E({"0-1@0", "5-8@3"})) << "1-5 is no edge and is skipped";
}

TEST_F(EdgePatternTest, PairsThatAreNoEdgeOrNameNoPointAreIgnored) {
    EXPECT_EQ(parse("p0-4"), E{}) << "a diagonal";
    EXPECT_EQ(parse("p0-99"), E{});
    EXPECT_EQ(parse("p3-3"), E{});
    EXPECT_EQ(parse("p0-1 p0-4"), E({"0-1@0"}));
}

TEST_F(EdgePatternTest, PrimitiveEdgesAndSingleEdges) {
    EXPECT_EQ(parse("0"), E({"0-1@0", "1-4@0", "4-3@0", "3-0@0"}));
    EXPECT_EQ(parse("4"), E({"6-7@4", "7-8@4"})) << "an open polygon has no closing edge";
    EXPECT_EQ(parse("1e0"), E({"1-2@1"}));
    EXPECT_EQ(parse("1e3"), E({"4-1@1"})) << "the last edge closes back to vertex 0";
    EXPECT_EQ(parse("1e4"), E{}) << "no fifth edge";
    EXPECT_EQ(parse("4e2"), E{}) << "an open polygon of three vertices has two edges";
    EXPECT_EQ(parse("9e0 9"), E{}) << "no such primitive";
    EXPECT_EQ(parse("0-1"), parse("0 1")) << "a range of primitives";
    EXPECT_EQ(parse("0 1e3"), E({"0-1@0", "1-4@0", "4-3@0", "3-0@0"})) << "4-1 is 1-4, already held";
}

TEST_F(EdgePatternTest, OffsetsShiftPrimitiveAndPointNumbers) {
    EXPECT_EQ(parse("0e0", 1, 0), E({"1-2@1"}));
    EXPECT_EQ(parse("p0-1", 0, 1), E({"1-2@1"}));
}

TEST_F(EdgePatternTest, EdgeGroupNamesAndWildcards) {
    EXPECT_EQ(parse("rim"), E({"0-1@0", "1-2@1"}));
    EXPECT_EQ(parse("r*"), E({"0-1@0", "1-2@1", "4-7@2"}));
    EXPECT_EQ(parse("ri?ge"), E({"4-7@2"}));
    EXPECT_EQ(parse("zz*"), E{});
    EXPECT_EQ(parse("nosuch"), E{"null"});
    EXPECT_EQ(parse("p"), E{"null"}) << "'p' without points reads as a name";
}

TEST_F(EdgePatternTest, AllRemoveAndComplement) {
    E all = parse("*");
    EXPECT_EQ(all.size(), 12u);
    EXPECT_EQ(all.front(), "0-1@0");
    EXPECT_EQ(parse("0 ^p3-0"), E({"0-1@0", "1-4@0", "4-3@0"}));
    EXPECT_EQ(parse("0 ^p0-3"), E({"0-1@0", "1-4@0", "4-3@0"})) << "removal ignores direction";
    EXPECT_EQ(parse("!rim").size(), 10u);
    EXPECT_EQ(parse("* ^!rim"), E({"0-1@0", "1-2@1"}));
    EXPECT_EQ(parse("rim ^rim p1-2"), E({"1-2@1"})) << "removed edges can come back, at the end";
}

TEST_F(EdgePatternTest, MalformedTokensGiveNull) {
    for (const char *bad : {"p0-", "p0", "p0-1x", "p0--1", "1e", "1e2e3", "e2", "1ex", "1-", "3x", "^", "!"})
        EXPECT_EQ(parse(bad), E{"null"}) << "'" << bad << "'";
    EXPECT_EQ(mgr.parseEdgeGroups(nullptr, &gdp), nullptr);
    EXPECT_EQ(mgr.parseEdgeGroups("0", nullptr), nullptr);
}

TEST_F(EdgePatternTest, ResultIsAnAdhocEdgeGroup) {
    GB_EdgeGroup *g = mgr.parseEdgeGroups("rim", &gdp);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->getInternal());
    EXPECT_NE(g, gdp.findEdgeGroup("rim"));
    EXPECT_TRUE(gdp.edgeGroups().owns(g));
    EXPECT_EQ(mgr.adhocGroupCount(&gdp), 1);
    EXPECT_TRUE(g->contains(1, 0));
}

TEST(EdgePatternDegenerateTest, NonPolygonsHaveNoEdges) {
    GU_Detail gdp;
    buildGrid(gdp);
    const int pts[2] = {0, 1};
    gdp.appendOther("Part", pts, 2);
    GOP_Manager mgr;
    GB_EdgeGroup *g = mgr.parseEdgeGroups("5", &gdp);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isEmpty());
}
