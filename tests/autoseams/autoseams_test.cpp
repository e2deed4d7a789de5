// The seam node: disks after cutting on surfaces of genus 0 to 3, open
// surfaces and several pieces, seams on input polygon edges only, nothing
// else changed, bad input.
#include "autoseams_support.h"
#include "autoseams/distortion.h"
#include "support/test_meshes.h"
#include "support/flatskin_fixture.h"
#include "sopcook/io/GeometryFile.h"
#include <gtest/gtest.h>
#include <UT/UT_Interrupt.h>
#include <functional>

using namespace as_test;

namespace {

void expectDisks(const GU_Detail &out, int pieces) {
    const std::vector<Piece> found = piecesAfterCut(out, "autoseams");
    ASSERT_EQ(static_cast<int>(found.size()), pieces);
    for (const Piece &p : found) {
        EXPECT_EQ(p.euler, 1);
        EXPECT_EQ(p.loops, 1);
    }
}

struct DiskCase {
    const char *name;
    std::function<void(GU_Detail &)> make;
    int pieces;
};

void PrintTo(const DiskCase &c, std::ostream *os) { *os << c.name; }

class Disks : public ::testing::TestWithParam<DiskCase> {};

TEST_P(Disks, CuttingAlongTheGroupLeavesOneDiskPerPiece) {
    Seams s;
    GetParam().make(s.input);
    ASSERT_LT(s.cook(), UT_ERROR_ABORT);
    ASSERT_NE(s.out().findEdgeGroup("autoseams"), nullptr);
    expectDisks(s.out(), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, Disks,
                         ::testing::Values(DiskCase{"box", [](GU_Detail &g) { test_meshes::makeBox(g, 3); }, 1},
                                           DiskCase{"genus1", [](GU_Detail &g) { makeGenus(g, 1); }, 1},
                                           DiskCase{"genus2", [](GU_Detail &g) { makeGenus(g, 2); }, 1},
                                           DiskCase{"genus3", [](GU_Detail &g) { makeGenus(g, 3); }, 1},
                                           DiskCase{"tube", [](GU_Detail &g) { fs_test::makeTube(g, 12, 6); }, 1},
                                           DiskCase{"threePieces",
                                                    [](GU_Detail &g) {
                                                        test_meshes::makeBox(g, 2);
                                                        makeGenus(g, 2);
                                                        fs_test::makeGrid(g, 4, 4);
                                                    },
                                                    3},
                                           DiskCase{"collapsedBox",
                                                    [](GU_Detail &g) {
                                                        test_meshes::makeBox(g, 2);
                                                        for (const auto &p : g.points())
                                                            p->setPos(UT_Vector4(1, 1, 1, 1));
                                                    },
                                                    1},
                                           DiskCase{"doubleTorusFile",
                                                    [](GU_Detail &g) {
                                                        std::vector<std::string> notes;
                                                        readGeometryFile(FLATSKIN_MESHES "/double-torus-example.off", g,
                                                                         notes);
                                                    },
                                                    1}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AutoSeams, AFlatDiskGetsNoCut) {
    Seams s;
    fs_test::makeGrid(s.input, 8, 8);
    ASSERT_LT(s.cook(), UT_ERROR_ABORT);
    EXPECT_EQ(s.out().findEdgeGroup("autoseams")->entries(), 0);
}

TEST(AutoSeams, SeamsAreInputEdgesAndNothingElseChanges) {
    Seams s;
    makeGenus(s.input, 2);
    s.node->setString("groupname", 0, "cuts");
    ASSERT_LT(s.cook(), UT_ERROR_ABORT);
    const GU_Detail &out = s.out();
    ASSERT_EQ(out.points().entries(), s.input.points().entries());
    ASSERT_EQ(out.primitives().entries(), s.input.primitives().entries());
    for (int i = 0; i < out.points().entries(); ++i)
        EXPECT_EQ(out.points()(i)->getPos()(0), s.input.points()(i)->getPos()(0));
    EXPECT_EQ(out.edgeGroups().entries(), 1);
    const GB_EdgeGroup *g = out.findEdgeGroup("cuts");
    ASSERT_NE(g, nullptr);
    ASSERT_GT(g->entries(), 0);
    for (const GB_Edge &e : g->edges()) {
        const auto *prim = static_cast<const GEO_Primitive *>(e.prim);
        ASSERT_NE(prim, nullptr);
        const std::vector<int> pts = test_meshes::pointsOf(*prim);
        bool onPrim = false;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const int a = pts[i], b = pts[(i + 1) % pts.size()];
            onPrim = onPrim || (a == e.p0Num() && b == e.p1Num()) || (a == e.p1Num() && b == e.p0Num());
        }
        EXPECT_TRUE(onPrim) << e.p0Num() << "-" << e.p1Num();
    }
}

TEST(AutoSeams, OnlyTheGroupIsCut) {
    Seams s;
    test_meshes::makeBox(s.input, 2);  // primitives 0..23
    makeGenus(s.input, 1);
    const int boxPrims = 24;
    s.node->setString("group", 0, ("0-" + std::to_string(boxPrims - 1)).c_str());
    ASSERT_LT(s.cook(), UT_ERROR_ABORT);
    for (const GB_Edge &e : s.out().findEdgeGroup("autoseams")->edges()) EXPECT_LT(e.prim->getNum(), boxPrims);
}

TEST(AutoSeams, BadInputIsReportedAndLeavesNoGroup) {
    {
        Seams s;
        test_meshes::makeBox(s.input, 2);
        s.node->setString("groupname", 0, "1bad name");
        EXPECT_GE(s.cook(), UT_ERROR_ABORT);
    }
    {
        Seams s;
        test_meshes::makeBox(s.input, 2);
        s.node->setString("group", 0, "nosuchgroup");
        EXPECT_GE(s.cook(), UT_ERROR_ABORT);
        EXPECT_EQ(s.out().findEdgeGroup("autoseams"), nullptr);
    }
}

TEST(AutoSeams, NonManifoldAndDegenerateInputWarnsAndStillCuts) {
    Seams s;
    test_meshes::makeBox(s.input, 2);
    // A fin on a box edge (three polygons on one edge), a polygon of two
    // points and an open polyline.
    const int a = 0, b = 1;
    const int c = s.input.appendPoint(UT_Vector4(0.5f, -1, -1, 1))->getNum();
    const int d = s.input.appendPoint(UT_Vector4(0.5f, 0, -1, 1))->getNum();
    test_meshes::addPoly(s.input, {a, b, c, d});
    test_meshes::addPoly(s.input, {a, b});
    test_meshes::addPoly(s.input, {c, d, a}, false);
    ASSERT_LT(s.cook(), UT_ERROR_ABORT);
    EXPECT_TRUE(s.warned("more than two polygons"));
    EXPECT_TRUE(s.warned("open or degenerate"));
    EXPECT_TRUE(s.out().findEdgeGroup("autoseams")->contains(a, b));
}

TEST(AutoSeams, StoppedCookAbortsWithoutAGroup) {
    // Polls come before the search, between layouts and inside the solves.
    for (int stopAt : {1, 2, 3, 5}) {
        Seams s;
        makeGenus(s.input, 2);
        int polls = 0;
        UTgetInterrupt()->setProgressFunc([&](const char *, int) {
            if (++polls == stopAt) UTgetInterrupt()->interrupt();
        });
        const OP_ERROR e = s.cook();
        UTgetInterrupt()->setProgressFunc(nullptr);
        EXPECT_GE(e, UT_ERROR_ABORT) << stopAt;
        EXPECT_TRUE(s.warned("Cook interrupted")) << stopAt;
        EXPECT_EQ(s.out().findEdgeGroup("autoseams"), nullptr) << stopAt;
        EXPECT_FALSE(UTgetInterrupt()->interrupted());
        EXPECT_LT(s.cook(), UT_ERROR_ABORT);
        EXPECT_NE(s.out().findEdgeGroup("autoseams"), nullptr);
    }
}

TEST(Distortion, L2StretchOfIsometryScaleAndShear) {
    LayoutTriangle t{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}};
    EXPECT_NEAR(l2Stretch({t}), 1.0, 1e-12);
    LayoutTriangle scaled = t;
    for (auto &uv : scaled.uv) uv[0] *= 3, uv[1] *= 3;
    EXPECT_NEAR(l2Stretch({scaled}), 1.0, 1e-12);
    // u stretched twice: after scaling to equal area the singular values
    // are sqrt(2) and 1/sqrt(2), so L2 = sqrt((1/2 + 2) / 2).
    LayoutTriangle stretched = t;
    for (auto &uv : stretched.uv) uv[0] *= 2;
    EXPECT_NEAR(l2Stretch({stretched}), std::sqrt(1.25), 1e-12);
    LayoutTriangle collapsed = t;
    collapsed.uv[2][0] = 0.5, collapsed.uv[2][1] = 0;
    EXPECT_TRUE(std::isinf(l2Stretch({t, collapsed})));
}

// The closed duck, cut by the node and unwrapped by flatskin: a coarse
// check that the layout stays far better than a single path's.
// The seams judged by surface-angle layouts, unwrapped with the surface
// angles, and judged by ABF++ layouts, unwrapped with ABF++.
TEST(AutoSeams, DuckUnwrapsWithLowStretch) {
    for (int angles : {0, 1}) {
        SCOPED_TRACE(angles ? "abfpp" : "surface");
        Seams s;
        std::vector<std::string> notes;
        readGeometryFile(FLATSKIN_MESHES "/duck.obj", s.input, notes);
        s.node->setInt("layoutangles", 0, angles);
        ASSERT_LT(s.cook(), UT_ERROR_ABORT);
        fs_test::Unwrap u;
        u.input.merge(s.out());
        u.node->setString("seams", 0, "autoseams");
        u.node->setInt("solver", 0, 1);
        u.node->setInt("angles", 0, angles);
        ASSERT_LT(u.cook(), UT_ERROR_ABORT);
        const GU_Detail &out = *u.node->getCookedGeo();
        const int uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
        ASSERT_GE(uv, 0);
        std::vector<LayoutTriangle> tris;
        for (const auto &p : out.primitives())
            for (unsigned k = 1; k + 1 < p->getVertexCount(); ++k) {
                LayoutTriangle t{};
                const unsigned idx[3] = {0, k, k + 1};
                for (int c = 0; c < 3; ++c) {
                    const GEO_Vertex &v = p->getVertex(idx[c]);
                    for (int i = 0; i < 3; ++i) t.p[c][i] = v.getPt()->getPos()(i);
                    t.uv[c][0] = v.getValue<float>(uv, 0);
                    t.uv[c][1] = v.getValue<float>(uv, 1);
                }
                tris.push_back(t);
            }
        const Distortion d = measureDistortion(tris);
        EXPECT_LE(d.flipped, d.triangles / 1000);
        EXPECT_LT(d.l2, 3.0);
        EXPECT_GT(d.areaP5, 0.1);
        EXPECT_LT(d.areaP95, 6.0);
    }
}

}  // namespace
