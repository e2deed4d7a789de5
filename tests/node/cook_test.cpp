// The unwrap end to end through the host kit.
#include <gtest/gtest.h>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
/// Every quad of a grid made by makeGrid, as two triangles of its corners.
template <typename F> void forGridTriangles(GU_Detail &g, F f) {
    for (const auto &p : g.primitives()) {
        if (p->getVertexCount() != 4) continue;
        f(p->getNum(), 0, 1, 2);
        f(p->getNum(), 0, 2, 3);
    }
}

/// Checks that the UVs of every grid triangle are similar to its (x, y)
/// triangle, with one orientation for all, and returns the orientation.
int expectSimilarToPlane(Unwrap &u, double tol) {
    int orientation = 0;
    forGridTriangles(u.out(), [&](int p, int a, int b, int c) {
        const GEO_Primitive &prim = *u.out().primitives()(p);
        auto P = [&](int i) { return prim.getVertex(i).getPt()->getPos(); };
        auto ua = u.uv(p, a), ub = u.uv(p, b), uc = u.uv(p, c);
        auto r3 = ratio(P(a)(0), P(a)(1), P(b)(0), P(b)(1), P(c)(0), P(c)(1));
        auto r2 = ratio(ua.first, ua.second, ub.first, ub.second, uc.first, uc.second);
        int o = signedArea(ua, ub, uc) > 0 ? 1 : -1;
        if (!orientation) orientation = o;
        EXPECT_EQ(o, orientation) << "flipped triangle in primitive " << p;
        // A mirrored layout is similar too, with the ratio conjugated.
        EXPECT_NEAR(r2.first, r3.first, tol);
        EXPECT_NEAR(r2.second, orientation * r3.second, tol);
    });
    return orientation;
}
}  // namespace

TEST(Cook, FlatGridBecomesSimilarLayoutFillingTheRange) {
    Unwrap u;
    makeGrid(u.input, 6, 4, 3.0f, 2.0f);
    u.node->setInt("userange", 0, 0);
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    EXPECT_TRUE(u.said("No pins defined, calculating default pins", 4));
    expectSimilarToPlane(u, 1e-5);

    // Fitting scales u and v each onto its own range.
    u.node->setInt("userange", 0, 1);
    u.node->setFloat("urange", 0, 0);
    u.node->setFloat("urange", 1, 1);
    u.node->setFloat("vrange", 0, 0);
    u.node->setFloat("vrange", 1, 1);
    u.cook();
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < p->getVertexCount(); ++q) {
            auto t = u.uv(p->getNum(), q);
            lo[0] = std::min(lo[0], t.first);
            hi[0] = std::max(hi[0], t.first);
            lo[1] = std::min(lo[1], t.second);
            hi[1] = std::max(hi[1], t.second);
        }
    EXPECT_EQ(lo[0], 0);
    EXPECT_EQ(hi[0], 1);
    EXPECT_EQ(lo[1], 0);
    EXPECT_EQ(hi[1], 1);
}

TEST(Cook, LayoutOnTheNegativeSideStillFillsTheRange) {
    // Default pins start at x + 1: a grid at x in [-5, -3] solves to u < 0.
    Unwrap u;
    makeGrid(u.input, 4, 4, 2.0f, 1.0f, nullptr, -5.0f, -7.0f);
    u.node->setFloat("urange", 0, 0.2f);
    u.node->setFloat("urange", 1, 0.8f);
    u.cook();
    double lo = 1e9, hi = -1e9;
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < 4; ++q) {
            lo = std::min(lo, u.uv(p->getNum(), q).first);
            hi = std::max(hi, u.uv(p->getNum(), q).first);
        }
    EXPECT_NEAR(lo, 0.2, 1e-6);
    EXPECT_NEAR(hi, 0.8, 1e-6);
}

TEST(Cook, FoldedGridIsLaidOutWithoutDistortion) {
    // Folded along x = 0.5: developable, so every angle survives.
    Unwrap u;
    makeGrid(u.input, 8, 4, 1.0f, 0.5f, [](float x, float) { return x < 0.5f ? 0.0f : (x - 0.5f) * 0.8f; });
    u.node->setInt("userange", 0, 0);
    u.cook();
    // Compare each triangle with its own unfolded shape: lengths along the
    // fold are kept, so the unfolded x is the arc length.
    forGridTriangles(u.out(), [&](int p, int a, int b, int c) {
        const GEO_Primitive &prim = *u.out().primitives()(p);
        auto flat = [&](int i) {
            const UT_Vector4 &P = prim.getVertex(i).getPt()->getPos();
            double x = P(0) < 0.5f ? P(0) : 0.5 + (P(0) - 0.5) * std::sqrt(1.0 + 0.64);
            return std::pair<double, double>(x, P(1));
        };
        auto fa = flat(a), fb = flat(b), fc = flat(c);
        auto r3 = ratio(fa.first, fa.second, fb.first, fb.second, fc.first, fc.second);
        auto ua = u.uv(p, a), ub = u.uv(p, b), uc = u.uv(p, c);
        auto r2 = ratio(ua.first, ua.second, ub.first, ub.second, uc.first, uc.second);
        EXPECT_NEAR(r2.first, r3.first, 1e-4);
        EXPECT_NEAR(std::abs(r2.second), std::abs(r3.second), 1e-4);
    });
}

TEST(Cook, OutputKeepsTheInputAndLeavesNoBookkeeping) {
    Unwrap u;
    makeGrid(u.input, 3, 2);
    u.input.newPrimitiveGroup("mine")->add(2);
    u.cook();
    GU_Detail &o = u.out();
    ASSERT_EQ(o.points().entries(), u.input.points().entries());
    ASSERT_EQ(o.primitives().entries(), u.input.primitives().entries());
    for (int i = 0; i < o.primitives().entries(); ++i) {
        ASSERT_EQ(o.primitives()(i)->getVertexCount(), 4u);
        for (unsigned q = 0; q < 4; ++q)
            EXPECT_EQ(o.primitives()(i)->getVertex(q).getPt()->getNum(),
                      u.input.primitives()(i)->getVertex(q).getPt()->getNum());
    }
    EXPECT_EQ(o.primitiveAttribs().find("primN"), nullptr);
    EXPECT_EQ(o.vertexAttribs().find("vtxN"), nullptr);
    EXPECT_EQ(o.pointAttribs().find("ptN"), nullptr);
    for (const auto &g : o.primitiveGroups().groups()) EXPECT_FALSE(g->getInternal()) << g->getName();
    for (const auto &g : o.pointGroups().groups()) EXPECT_FALSE(g->getInternal()) << g->getName();
    EXPECT_EQ(o.edgeGroups().entries(), 0);
    EXPECT_EQ(o.primitiveGroups().entries(), 1);
    EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0);
}

TEST(Cook, OutputGroupHoldsThePieceAlsoWhenTheSolveFails) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    u.node->setInt("outgroup", 0, 1);
    u.cook();
    GB_PrimitiveGroup *g = u.out().findPrimitiveGroup("UnwrappedGroup");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->entries(), 4);

    // A NaN pin UV makes the solve fail: no UVs, but the group stays.
    Unwrap f;
    makeGrid(f.input, 2, 2);
    f.node->setInt("outgroup", 0, 1);
    f.node->setString("groupname", 0, "piece");
    f.addPin(0, 0, 0, 0);
    f.addPin(3, 2, 1, 1);
    f.node->setKeys("pinuv2", 0, {{0.0f, NAN}});
    f.cook();
    EXPECT_TRUE(f.said("No solution for unwrapper, check pins have valid uvs", 4));
    EXPECT_EQ(f.out().vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT), -1);
    ASSERT_NE(f.out().findPrimitiveGroup("piece"), nullptr);
    EXPECT_EQ(f.out().findPrimitiveGroup("piece")->entries(), 4);
}

TEST(Cook, NonPolygonInputIsRefusedAndCopied) {
    Unwrap u;
    makeGrid(u.input, 1, 1);
    int pt = 0;
    u.input.appendOther("Sphere", &pt, 1);
    u.node->setInt("outgroup", 0, 1);
    u.node->setString("group", 0, "0");
    EXPECT_GE(u.cook(), UT_ERROR_ABORT);
    EXPECT_TRUE(u.said("I only deal with polygons, sorry", 0));
    EXPECT_EQ(u.out().primitives().entries(), 2);
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup"), nullptr);
    EXPECT_EQ(u.out().vertexAttribs().find("uv"), nullptr);
    EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0);
    EXPECT_FALSE(u.node->inputsLocked());
}

TEST(Cook, EmptyInputWarnsAndCopies) {
    Unwrap u;
    u.input.appendPoint(UT_Vector4(1, 2, 3, 1));
    EXPECT_EQ(u.cook(), UT_ERROR_WARNING);
    EXPECT_TRUE(u.said("Nothing to unwrap: the piece has no points", 4));
    EXPECT_EQ(u.out().points().entries(), 1);
    EXPECT_EQ(u.node->groupManager().adhocGroupCount(), 0);
}

TEST(Cook, MissingInputAborts) {
    Unwrap u;
    u.node->setInput(0, nullptr);
    EXPECT_GE(u.cook(), UT_ERROR_ABORT);
}

TEST(Cook, CurrentLayerChoosesTheUvAttribute) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    int layer = 3;
    int off = u.input.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &layer);
    u.input.setDetailValue<int>(off, 3);
    u.cook();
    EXPECT_GE(u.out().vertexAttribs().getOffset("uv3", 12, GB_ATTRIB_FLOAT), 0);
    EXPECT_EQ(u.out().vertexAttribs().find("uv"), nullptr);
}

TEST(Cook, PointUvIsReplacedByVertexUv) {
    Unwrap u;
    makeGrid(u.input, 2, 1);
    const float z[3] = {0.5f, 0.5f, 0.5f};
    u.input.addPointAttrib("uv", 12, GB_ATTRIB_FLOAT, z);
    u.cook();
    EXPECT_EQ(u.out().pointAttribs().find("uv"), nullptr);
    int off = u.out().vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(off, 0);
    for (const auto &p : u.out().primitives())
        for (const GEO_Vertex &v : p->vertices()) EXPECT_EQ(v.getValue<float>(off, 2), 0.0f);
}

TEST(Cook, InputGroupLimitsWhereUvsAreWritten) {
    Unwrap u;
    makeGrid(u.input, 2, 1);
    const float keep[3] = {7, 7, 7};
    u.input.addVertexAttrib("uv", 12, GB_ATTRIB_FLOAT, keep);
    u.node->setString("group", 0, "1");
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    EXPECT_EQ(u.uv(0, 0).first, 7.0);
    EXPECT_NE(u.uv(1, 0).first, 7.0);

    u.node->setString("group", 0, "nosuchgroup");
    EXPECT_GE(u.cook(), UT_ERROR_ABORT);
    EXPECT_TRUE(u.said("nosuchgroup", 2));
    EXPECT_EQ(u.uv(1, 0).first, 7.0);
}

TEST(Cook, MethodDoesNotChangeTheResult) {
    Unwrap a, b;
    makeGrid(a.input, 3, 3, 1, 1, [](float x, float y) { return 0.2f * x * y; });
    makeGrid(b.input, 3, 3, 1, 1, [](float x, float y) { return 0.2f * x * y; });
    b.node->setInt("method", 0, 0);
    a.cook();
    b.cook();
    for (int p = 0; p < 9; ++p)
        for (int q = 0; q < 4; ++q) EXPECT_EQ(a.uv(p, q), b.uv(p, q));
}

TEST(Cook, DirectSolverAgreesWithConjugateGradient) {
    Unwrap cg, direct;
    auto wavy = [](float x, float y) { return 0.3f * std::sin(3 * x) * std::cos(2 * y); };
    makeGrid(cg.input, 12, 9, 1, 1, wavy);
    makeGrid(direct.input, 12, 9, 1, 1, wavy);
    direct.node->setInt("solver", 0, 1);
    for (Unwrap *u : {&cg, &direct}) u->node->setInt("userange", 0, 0);
    EXPECT_LT(cg.cook(), UT_ERROR_ABORT);
    EXPECT_LT(direct.cook(), UT_ERROR_ABORT);
    EXPECT_FALSE(direct.said("No solution for unwrapper, check pins have valid uvs"));
    for (int p = 0; p < 12 * 9; ++p)
        for (int q = 0; q < 4; ++q) {
            auto a = cg.uv(p, q), b = direct.uv(p, q);
            EXPECT_NEAR(a.first, b.first, 1e-6);
            EXPECT_NEAR(a.second, b.second, 1e-6);
        }
}
