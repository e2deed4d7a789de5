// Stretch and seam colours, through the cook.
#include <gtest/gtest.h>
#include <UT/UT_Color.h>
#include "output/fit_to_range.h"
#include "output/seam_random.h"
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
std::array<float, 3> cd(Unwrap &u, int prim) {
    int off = u.out().primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    EXPECT_GE(off, 0);
    const GEO_Primitive *p = u.out().primitives()(prim);
    if (off < 0 || !p) {
        ADD_FAILURE() << "no colour on primitive " << prim;
        return {NAN, NAN, NAN};
    }
    return {p->getValue<float>(off, 0), p->getValue<float>(off, 1), p->getValue<float>(off, 2)};
}
std::array<float, 3> ramp(float t) {
    std::array<float, 3> c;
    UT_Color::getRampColor(UT_COLORRAMP_FALSE, t, &c[0], &c[1], &c[2]);
    return c;
}
void expectColour(const std::array<float, 3> &a, const std::array<float, 3> &b, const char *what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-5) << what << " component " << i;
}
}  // namespace

TEST(FitToRange, ClampsMirrorsAndHandlesDegenerateIntervals) {
    EXPECT_DOUBLE_EQ(fitToRange(1.5, 0.5, 2.5, 0.0, 1.0), 0.5);
    EXPECT_DOUBLE_EQ(fitToRange(0.5, 0.5, 2.5, 1.0, 0.0), 1.0);  // reversed target
    EXPECT_DOUBLE_EQ(fitToRange(3.0, 0.0, 0.0, 0.2, 0.6), 0.4);  // degenerate: mid value
    EXPECT_FLOAT_EQ(fitToRange(5.0f, 0.0f, 2.0f, 1.0f, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(fitToRange(1.0f, 0.0f, 1e-9f, 1.0f, 0.0f), 0.5f);
    EXPECT_FLOAT_EQ(fitToRange(-1.0f, 2.0f, 0.0f, 0.0f, 1.0f), 1.0f);  // reversed interval
}

TEST(Stretch, ColoursByUvPerimeterAgainstTheLargestPrimitive) {
    // Three quads in a row; the middle one is the largest in space but
    // all are the same size in UV after fitting into a square range:
    // so the reference (middle) and the others get t = 0.
    Unwrap u;
    makeGrid(u.input, 3, 1, 3.0f, 1.0f);
    u.input.points()(1)->getPos()(0) = 0.8f;  // quad 0 narrower, quad 1 wider
    u.input.points()(5)->getPos()(0) = 0.8f;
    u.node->setInt("vizstretch", 0, 1);
    u.node->setInt("userange", 0, 0);
    u.cook();
    // Conformal and flat: UV perimeters follow 3D perimeters.
    float P0 = 2 * (0.8f + 1), P1 = 2 * (1.2f + 1);
    expectColour(cd(u, 1), ramp(0), "reference");
    expectColour(cd(u, 0), ramp(1 - P0 / P1), "narrow quad");
    expectColour(cd(u, 2), ramp(1 - (2 * (1.0f + 1)) / P1), "unit quad");
}

TEST(Stretch, PrimitivesOutsideThePieceAndTinyReferences) {
    Unwrap u;
    makeGrid(u.input, 1, 1);
    makeGrid(u.input, 2, 2, 4.0f, 4.0f, nullptr, 5, 0);  // larger, outside the piece
    const float red[3] = {1, 0, 0};
    u.input.addPrimAttrib("Cd", 12, GB_ATTRIB_FLOAT, red);
    u.input.addPointAttrib("Cd", 12, GB_ATTRIB_FLOAT, red);
    u.node->setInt("vizstretch", 0, 1);
    u.cook();
    // The reference (quad 1) lies outside the piece with UVs (0, 0): its
    // outline is 0, so every primitive gets the mid colour.
    for (int p = 0; p < 5; ++p) expectColour(cd(u, p), ramp(0.5f), "tiny reference");
    int pcd = u.out().pointAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    EXPECT_EQ(u.out().points()(0)->getValue<float>(pcd, 0), 1.0f);

    // With the hint on the large grid, the small quad keeps UV (0, 0) and
    // gets t = 1.
    u.node->setInt("hintprim", 0, 1);
    u.cook();
    expectColour(cd(u, 0), ramp(1), "outside the piece");
}

TEST(SeamColours, RandomModeValuesAndGradientCycle) {
    uint32_t s = 0;
    EXPECT_NEAR(seamColourRandom(s), 0.5674779, 5e-8);
    s += 1;
    EXPECT_NEAR(seamColourRandom(s), 0.1371423, 5e-8);
    s += 1;
    EXPECT_NEAR(seamColourRandom(s), 0.8972675, 5e-8);
}

namespace {
/// A strip of quads 1 high, with seam edges given as a pattern.
void seamStrip(Unwrap &u, int n, const std::string &seams, int mode) {
    makeGrid(u.input, n, 2, float(n), 2.0f);
    u.node->setString("seams", 0, seams.c_str());
    u.node->setInt("seamcode", 0, 1);
    u.node->setInt("seamcolour", 0, mode);
}
}  // namespace

TEST(SeamColours, RunsShareAColourAndNewRunsStepTheGradient) {
    // A closed loop around quad 13 of a 12 x 2 grid: every edge holds that
    // quad, so the whole loop is one run of one colour.
    Unwrap u;
    seamStrip(u, 12, "p14-15-28-27-14", 0);
    u.cook();
    for (int p : {13, 1, 14, 12}) expectColour(cd(u, p), ramp(0), "one run");
    expectColour(cd(u, 5), {1, 1, 1}, "away from the seams");

    // A straight seam along the middle row: consecutive edges share no
    // polygon, so each starts a run and edge k takes (k mod 10) / 9.
    Unwrap g;
    std::string row = "p13";
    for (int i = 14; i <= 25; ++i) row += "-" + std::to_string(i);
    seamStrip(g, 12, row, 0);
    g.cook();
    for (int k = 0; k < 12; ++k) {
        float t = std::fmod(float(k), 10.0f) / 9.0f;
        expectColour(cd(g, k), ramp(t), "below");
        expectColour(cd(g, 12 + k), ramp(t), "above");
    }
}

TEST(SeamColours, RandomModeAndInheritedColours) {
    Unwrap u;
    seamStrip(u, 12, "p13-14 p17-18 p21-22", 1);
    u.cook();
    expectColour(cd(u, 0), ramp(0.5674779f), "first");
    expectColour(cd(u, 4), ramp(0.1371423f), "second");
    expectColour(cd(u, 8), ramp(0.8972675f), "third");

    // An edge between two differently coloured runs takes the first
    // visited polygon's colour.
    Unwrap v;
    // Edge 1-14 lies between quad 0 (coloured by 13-14) and quad 1
    // (coloured by 14-15).
    seamStrip(v, 12, "p13-14 p14-15 p1-14", 0);
    v.cook();
    expectColour(cd(v, 0), ramp(0), "first run");
    expectColour(cd(v, 1), ramp(0), "joined to the first run");
    expectColour(cd(v, 13), ramp(1.0f / 9.0f), "second run keeps its colour");
}

TEST(SeamColours, StretchColoursStayAwayFromTheSeamsAndNoSeamsIsWhite) {
    Unwrap u;
    seamStrip(u, 6, "p7-8", 0);
    u.node->setInt("vizstretch", 0, 1);
    u.cook();
    expectColour(cd(u, 0), ramp(0), "seam");
    auto far = cd(u, 5);
    EXPECT_FALSE(far[0] == 1 && far[1] == 1 && far[2] == 1);

    Unwrap w;
    makeGrid(w.input, 3, 3);
    w.node->setInt("seamcode", 0, 1);
    w.cook();
    for (int p = 0; p < 9; ++p) expectColour(cd(w, p), {1, 1, 1}, "white");
}

TEST(Stretch, OfTwoPrimitivesTiedForTheLargestTheFirstIsTheReference) {
    // A unit square and a trapezoid of the same area (1) but a longer
    // outline, flat, so their UV outlines are their own. With the square
    // as the reference both get t = 0; with the trapezoid the square would
    // get t = 1 - 4 / (3 + sqrt(2)).
    Unwrap u;
    const float xy[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2.5f, 0}, {1.5f, 1}};
    for (const auto &p : xy) u.input.appendPoint(UT_Vector4(p[0], p[1], 0, 1));
    const int square[4] = {0, 1, 2, 3}, trapezoid[4] = {1, 4, 5, 2};
    u.input.appendPoly(square, 4);
    u.input.appendPoly(trapezoid, 4);
    ASSERT_EQ(u.input.primitives()(0)->calcArea(), u.input.primitives()(1)->calcArea());
    u.node->setInt("vizstretch", 0, 1);
    u.node->setInt("userange", 0, 0);
    u.cook();
    expectColour(cd(u, 0), ramp(0), "square, the reference");
    expectColour(cd(u, 1), ramp(0), "trapezoid, longer than the reference");
}

TEST(SeamColours, TheGradientStepsOnInheritedEdgesToo) {
    // Edge 13-14 starts a run (step 0); edge 1-14 shares quad 0 with it and
    // inherits (step 1); edge 20-21 shares nothing and starts a run at
    // step 2, not 1.
    Unwrap u;
    seamStrip(u, 12, "p13-14 p1-14 p20-21", 0);
    u.cook();
    expectColour(cd(u, 0), ramp(0), "first run");
    expectColour(cd(u, 1), ramp(0), "inherited");
    expectColour(cd(u, 7), ramp(2.0f / 9.0f), "run after an inherited edge");
    expectColour(cd(u, 19), ramp(2.0f / 9.0f), "run after an inherited edge, above");
}
