// Seam cutting and piece selection, through the cook.
#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
const int N = 8, M = 4;  // tube: N quads around, M along

/// The distinct (u, v) the output holds at the vertices on point pt.
std::set<std::pair<double, double>> uvsAtPoint(Unwrap &u, int pt, const char *name = "uv") {
    std::set<std::pair<double, double>> s;
    for (const auto &p : u.out().primitives())
        for (unsigned q = 0; q < p->getVertexCount(); ++q)
            if (p->getVertex(q).getPt()->getNum() == pt) s.insert(u.uv(p->getNum(), q, name));
    return s;
}

/// Every triangle of the fan of each output polygon keeps its 3D shape in
/// UV (same angles and side ratio), with one orientation for all.
void expectUndistorted(Unwrap &u, double tol) {
    int orientation = 0;
    for (const auto &p : u.out().primitives()) {
        for (unsigned t = 1; t + 1 < p->getVertexCount(); ++t) {
            unsigned c[3] = {0, t, t + 1};
            UT_Vector3 P[3];
            std::pair<double, double> w[3];
            for (int i = 0; i < 3; ++i) {
                P[i] = p->getVertex(c[i]).getPt()->getPos();
                w[i] = u.uv(p->getNum(), c[i]);
            }
            UT_Vector3 e1 = P[1] - P[0], e2 = P[2] - P[0];
            double mod3 = e2.length() / e1.length();
            double ang3 = std::acos(std::clamp(e1.dot(e2) / (e1.length() * e2.length()), -1.0f, 1.0f));
            auto r2 = ratio(w[0].first, w[0].second, w[1].first, w[1].second, w[2].first, w[2].second);
            int o = signedArea(w[0], w[1], w[2]) > 0 ? 1 : -1;
            if (!orientation) orientation = o;
            EXPECT_EQ(o, orientation) << "flipped: primitive " << p->getNum();
            EXPECT_NEAR(std::hypot(r2.first, r2.second), mod3, tol) << "primitive " << p->getNum();
            EXPECT_NEAR(std::abs(std::atan2(r2.second, r2.first)), ang3, tol) << "primitive " << p->getNum();
        }
    }
}

void markSeamPoints(GU_Detail &g, const char *name, float value, std::function<bool(int)> on) {
    int off = g.addPointAttrib(name, 4, GB_ATTRIB_FLOAT, nullptr);
    for (const auto &p : g.points()) p->setValue<float>(off, on(p->getNum()) ? value : 0.0f);
}

std::string lengthwiseSeam() {
    std::string s = "p0";
    for (int j = 1; j <= M; ++j) s += "-" + std::to_string(j * N);
    return s;
}
}  // namespace

TEST(Seams, TubeOpensToAnUndistortedRectangleByPatternAndByAttribute) {
    for (bool by_attribute : {false, true}) {
        SCOPED_TRACE(by_attribute ? "attribute" : "pattern");
        Unwrap u;
        makeTube(u.input, N, M);
        u.node->setInt("userange", 0, 0);  // fitting scales u and v apart
        if (by_attribute) {
            markSeamPoints(u.input, "seam", 1.0f, [](int pt) { return pt % N == 0; });
            u.node->setInt("useseamatt", 0, 1);
        } else {
            u.node->setString("seams", 0, lengthwiseSeam().c_str());
        }
        EXPECT_LT(u.cook(), UT_ERROR_ABORT);
        expectUndistorted(u, 1e-4);
        // Both copies of a seam point, one on each side, far apart.
        for (int j = 0; j <= M; ++j) {
            auto s = uvsAtPoint(u, j * N);
            ASSERT_EQ(s.size(), 2u);
            auto a = *s.begin(), b = *s.rbegin();
            EXPECT_GT(std::hypot(a.first - b.first, a.second - b.second), 0.5);
        }
        EXPECT_EQ(uvsAtPoint(u, 3).size(), 1u);
    }
}

TEST(Seams, ClosedLoopSeparatesTheRegionThatHoldsTheHint) {
    // A capped tube: closed. The ring of points at height 1 is the loop.
    auto build = [](Unwrap &u) {
        makeTube(u.input, N, M);
        int bottom[N], top[N];
        for (int i = 0; i < N; ++i) bottom[i] = N - 1 - i, top[i] = M * N + i;
        u.input.appendPoly(bottom, N);
        u.input.appendPoly(top, N);
        std::string loop = "p" + std::to_string(N);
        for (int i = 1; i <= N; ++i) loop += "-" + std::to_string(N + i % N);
        u.node->setString("seams", 0, loop.c_str());
        u.node->setInt("outgroup", 0, 1);
    };
    Unwrap inside, outside;
    build(inside);
    build(outside);
    inside.node->setInt("hintprim", 0, M * N);   // the bottom cap
    outside.node->setInt("hintprim", 0, 2 * N);  // a quad above the loop
    inside.cook();
    outside.cook();
    GB_PrimitiveGroup *in = inside.out().findPrimitiveGroup("UnwrappedGroup");
    GB_PrimitiveGroup *out = outside.out().findPrimitiveGroup("UnwrappedGroup");
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->entries(), N + 1);
    EXPECT_EQ(out->entries(), (M - 1) * N + 1);
    for (int p = 0; p < M * N + 2; ++p) EXPECT_NE(in->contains(p), out->contains(p)) << p;
    // UVs only on the piece: the rest keeps the new attribute's zeros.
    EXPECT_EQ(inside.uv(2 * N, 0), std::make_pair(0.0, 0.0));
    EXPECT_NE(inside.uv(0, 0), std::make_pair(0.0, 0.0));
}

TEST(Pieces, OnlyTheHintsObjectIsFlattened) {
    Unwrap u;
    makeGrid(u.input, 2, 2);
    makeGrid(u.input, 2, 2, 1, 1, nullptr, 5, 0);
    u.node->setInt("hintprim", 0, 5);
    u.node->setInt("outgroup", 0, 1);
    u.cook();
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup")->entries(), 4);
    EXPECT_EQ(u.uv(0, 0), std::make_pair(0.0, 0.0));
    EXPECT_NE(u.uv(5, 2), std::make_pair(0.0, 0.0));

    // A hint beyond the last primitive flattens both in one system.
    u.node->setInt("hintprim", 0, 8);
    u.cook();
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup")->entries(), 8);
    for (int p = 0; p < 8; ++p) {
        auto t = u.uv(p, 2);
        EXPECT_TRUE(std::isfinite(t.first) && std::isfinite(t.second));
    }
}

TEST(Pieces, SurfacesTouchingAtOnePointAreOnePiece) {
    Unwrap u;
    makeGrid(u.input, 1, 1);
    u.input.appendPoint(UT_Vector4(2, 1, 0, 1));
    u.input.appendPoint(UT_Vector4(2, 2, 0, 1));
    u.input.appendPoint(UT_Vector4(1, 2, 0, 1));
    int q[4] = {3, 4, 5, 6};
    u.input.appendPoly(q, 4);
    u.node->setInt("outgroup", 0, 1);
    u.cook();
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup")->entries(), 2);
}

TEST(Seams, OpenCutInsideTheSurfaceKeepsItConnected) {
    Unwrap u;
    makeGrid(u.input, 6, 6, 1, 1, [](float x, float y) { return 0.3f * std::sin(3 * x) * std::cos(2 * y); });
    // Points 7 * 3 + 1 .. 7 * 3 + 5 along the middle row: ends inside.
    u.node->setString("seams", 0, "p22-23-24-25-26");
    u.node->setInt("outgroup", 0, 1);
    u.cook();
    EXPECT_EQ(u.out().findPrimitiveGroup("UnwrappedGroup")->entries(), 36);
    EXPECT_EQ(uvsAtPoint(u, 22).size(), 1u);  // the ends stay shared
    EXPECT_EQ(uvsAtPoint(u, 24).size(), 2u);  // inner points split
}

TEST(Seams, SeamValuesMarkAbovePointNine) {
    for (float value : {0.9f, 0.9000001f, 1.0f}) {
        Unwrap u;
        makeTube(u.input, N, M);
        markSeamPoints(u.input, "seam", value, [](int pt) { return pt % N == 0; });
        u.node->setInt("useseamatt", 0, 1);
        u.cook();
        bool cut = uvsAtPoint(u, 2 * N).size() == 2;
        EXPECT_EQ(cut, value > 0.9f) << value;
        if (!cut) {
            EXPECT_TRUE(u.said("seam", 2)) << value;
        }
    }
}

TEST(Seams, SeamAttributeOfAnotherKindIsNotFound) {
    auto expectNotFound = [](Unwrap &u) {
        u.node->setInt("useseamatt", 0, 1);
        u.cook();
        EXPECT_TRUE(u.said("No seam attribute can't create seams use attribute", 4));
        EXPECT_EQ(uvsAtPoint(u, 2 * N).size(), 1u);
    };
    {
        Unwrap u;
        makeTube(u.input, N, M);
        u.input.addPointAttrib("seam", 4, GB_ATTRIB_INT, nullptr);
        expectNotFound(u);
    }
    {
        Unwrap u;
        makeTube(u.input, N, M);
        u.input.addPointAttrib("seam", 12, GB_ATTRIB_FLOAT, nullptr);
        expectNotFound(u);
    }
    {
        Unwrap u;
        makeTube(u.input, N, M);
        const float one = 1;
        u.input.addPrimAttrib("seam", 4, GB_ATTRIB_FLOAT, &one);
        u.input.addVertexAttrib("seam", 4, GB_ATTRIB_FLOAT, &one);
        expectNotFound(u);
    }
}

TEST(Seams, LayerAndModeChooseTheSeamSource) {
    // Layer 2 reads "seam2"; "seam" marks every point and is ignored.
    Unwrap u;
    makeTube(u.input, N, M);
    markSeamPoints(u.input, "seam", 1.0f, [](int) { return true; });
    markSeamPoints(u.input, "seam2", 1.0f, [](int pt) { return pt % N == 0; });
    int layer = 2;
    u.input.addAttrib("currentlayer", 4, GB_ATTRIB_INT, &layer);
    u.node->setInt("useseamatt", 0, 1);
    u.node->setString("seams", 0, "nosuchgroup");  // ignored in attribute mode
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    EXPECT_EQ(uvsAtPoint(u, 2 * N, "uv2").size(), 2u);
    EXPECT_EQ(uvsAtPoint(u, 2 * N + 3, "uv2").size(), 1u);
    EXPECT_GE(u.out().vertexAttribs().getOffset("uv2", 12, GB_ATTRIB_FLOAT), 0);

    // Pattern mode ignores the attribute; a missing group is an error
    // naming the pattern, and the unwrap still writes UVs.
    u.node->setInt("useseamatt", 0, 0);
    EXPECT_GE(u.cook(), UT_ERROR_ABORT);
    EXPECT_TRUE(u.said("nosuchgroup", 2));
    EXPECT_EQ(uvsAtPoint(u, 2 * N, "uv2").size(), 1u);
    EXPECT_NE(u.uv(3, 2, "uv2"), std::make_pair(0.0, 0.0));
}

TEST(Seams, PinsOnCutPointsFollowTheirOwnSide) {
    // Pins on both copies of seam point 0: each holds its own vertex.
    Unwrap u;
    makeTube(u.input, N, M);
    u.node->setString("seams", 0, lengthwiseSeam().c_str());
    u.node->setInt("userange", 0, 0);
    u.addPin(0, 0, 0.0f, 0.0f);      // point 0, on the side of quad 0
    u.addPin(N - 1, 1, 1.0f, 0.0f);  // point 0 again, seen from quad N-1
    u.cook();
    EXPECT_EQ(u.uv(0, 0), std::make_pair(0.0, 0.0));
    EXPECT_EQ(u.uv(N - 1, 1), std::make_pair(1.0, 0.0));
    expectUndistorted(u, 1e-4);
}
