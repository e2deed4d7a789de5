// Degenerate and broken geometry through the whole cook: the cook returns,
// writes no value that is not a finite number, leaves UVs alone where a
// piece cannot be solved (and says why), and leaves nothing temporary on
// the output.
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <set>
#include <string>

#include "support/degenerate_meshes.h"

using namespace fs_test;

namespace {

const char *const kNoSolution = "No solution for unwrapper, check pins have valid uvs";
const char *const kNothing = "Nothing to unwrap: the piece has no points";

/// How a cook is set up: the defaults; two pins (with stretch and seam
/// colours and the output group on); or the defaults plus the case's seams.
enum class Setup { Defaults, TwoPins, Seams };

/// What the cook should make of a case.
enum class Outcome {
    Solved,   ///< UVs written, finite, not all in one place
    Failed,   ///< the solve is refused: UVs as they were, with the warning
    Nothing,  ///< no points to unwrap: UVs as they were, with the warning
    Either,   ///< solved or failed; the invariants hold either way
};

struct Case {
    const char *name;
    std::function<void(GU_Detail &)> build;
    Outcome defaults;
    Outcome pinned;
    const char *seams = nullptr;                   ///< pattern for Setup::Seams
    std::function<void(Unwrap &)> tune = nullptr;  ///< extra parameters, after the setup's
    Outcome seamed = Outcome::Solved;
};

/// Names of every attribute and group of a detail, tagged by class.
std::set<std::string> layout(const GU_Detail &g) {
    std::set<std::string> s;
    auto attribs = [&](const char *tag, const GB_AttributeDict &d) {
        for (const GB_Attribute &a : d.attributes()) s.insert(std::string(tag) + a.name);
    };
    attribs("point:", g.pointAttribs());
    attribs("prim:", g.primitiveAttribs());
    attribs("vertex:", g.vertexAttribs());
    attribs("detail:", g.attribs());
    for (const auto &gr : g.pointGroups().groups()) s.insert(std::string("pointgroup:") + gr->getName());
    for (const auto &gr : g.primitiveGroups().groups()) s.insert(std::string("primgroup:") + gr->getName());
    for (const auto &gr : g.edgeGroups().groups()) s.insert(std::string("edgegroup:") + gr->getName());
    return s;
}

void applySetup(Unwrap &u, Setup setup, const Case &c) {
    if (setup == Setup::TwoPins) {
        u.node->setInt("livepins", 0, 0);
        u.addPin(0, 0, 0.0f, 0.0f);
        u.addPin(0, 2, 1.0f, 0.0f);
        u.node->setInt("vizstretch", 0, 1);
        u.node->setInt("seamcode", 0, 1);
        u.node->setInt("outgroup", 0, 1);
    }
    if (setup == Setup::Seams && c.seams) u.node->setString("seams", 0, c.seams);
    if (c.tune) c.tune(u);
}

/// What a cook of a sound grid under the same parameters adds to its input.
std::set<std::string> normalAdditions(Setup setup, const Case &c, bool input_uvs) {
    Unwrap u;
    makeGrid(u.input, 3, 3);
    if (input_uvs) addMarkerUVs(u.input);
    Case plain = c;
    plain.seams = nullptr;  // the grid has other point numbers
    applySetup(u, setup, plain);
    EXPECT_LT(u.cook(), UT_ERROR_ABORT);
    std::set<std::string> before = layout(u.input), after = layout(u.out()), added;
    for (const std::string &s : after)
        if (!before.count(s)) added.insert(s);
    return added;
}

/// Every uv component and colour of the output is a finite number.
void expectAllFinite(const GU_Detail &out) {
    int uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int cd = out.primitiveAttribs().getOffset("Cd", 12, GB_ATTRIB_FLOAT);
    int bad_uv = 0, bad_cd = 0;
    for (const auto &p : out.primitives()) {
        if (cd >= 0)
            for (int c = 0; c < 3; ++c) bad_cd += !std::isfinite(p->getValue<float>(cd, c));
        if (uv >= 0)
            for (const GEO_Vertex &v : p->vertices())
                for (int c = 0; c < 3; ++c) bad_uv += !std::isfinite(v.getValue<float>(uv, c));
    }
    EXPECT_EQ(bad_uv, 0) << "uv components that are not finite";
    EXPECT_EQ(bad_cd, 0) << "colour components that are not finite";
}

/// The output's UVs are the input's: the same values, or none at all.
void expectUVsUnchanged(const GU_Detail &in, const GU_Detail &out) {
    int in_uv = in.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    int out_uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    if (in_uv < 0) {
        EXPECT_LT(out_uv, 0) << "a uv attribute was written";
        return;
    }
    ASSERT_GE(out_uv, 0);
    int changed = 0;
    for (int i = 0; i < in.primitives().entries(); ++i) {
        const GEO_Primitive &a = *in.primitives()(i), &b = *out.primitives()(i);
        for (unsigned q = 0; q < a.getVertexCount(); ++q)
            for (int c = 0; c < 3; ++c)
                changed += a.getVertex(q).getValue<float>(in_uv, c) != b.getVertex(q).getValue<float>(out_uv, c);
    }
    EXPECT_EQ(changed, 0) << "uv components changed";
}

/// Some vertex of the output holds a uv unlike another's: a layout was
/// written, not one point.
void expectSpreadLayout(const GU_Detail &out) {
    int uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    ASSERT_GE(uv, 0);
    double lo = 1e30, hi = -1e30;
    for (const auto &p : out.primitives())
        for (const GEO_Vertex &v : p->vertices()) {
            double x = v.getValue<float>(uv, 0) + v.getValue<float>(uv, 1);
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    EXPECT_GT(hi - lo, 1e-3) << "the layout collapsed to a point";
}

void runCase(const Case &c, Setup setup, bool input_uvs) {
    const Outcome expected = setup == Setup::TwoPins ? c.pinned : (setup == Setup::Seams ? c.seamed : c.defaults);
    const std::set<std::string> added = normalAdditions(setup, c, input_uvs);

    Unwrap u;
    c.build(u.input);
    if (input_uvs) addMarkerUVs(u.input);
    applySetup(u, setup, c);
    const auto t0 = std::chrono::steady_clock::now();
    const OP_ERROR severity = u.cook();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 60.0) << "the cook took " << seconds << " s";
    const GU_Detail &out = u.out();
    ASSERT_EQ(out.primitives().entries(), u.input.primitives().entries());
    ASSERT_EQ(out.points().entries(), u.input.points().entries());

    expectAllFinite(out);
    const bool failed = u.said(kNoSolution, 4);
    const bool nothing = u.said(kNothing, 4);
    testing::Test::RecordProperty("solve", failed ? "refused" : (nothing ? "nothing" : "written"));
    switch (expected) {
        case Outcome::Solved:
            EXPECT_FALSE(failed) << "the solve was refused";
            EXPECT_FALSE(nothing);
            EXPECT_LT(severity, UT_ERROR_ABORT);
            expectSpreadLayout(out);
            break;
        case Outcome::Failed:
            EXPECT_TRUE(failed) << "no warning about the failed solve";
            break;
        case Outcome::Nothing:
            EXPECT_TRUE(nothing) << "no warning about the empty piece";
            break;
        case Outcome::Either:
            break;
    }
    const bool written = !failed && !nothing;
    if (!written) expectUVsUnchanged(u.input, out);

    // Nothing temporary stays: the output holds the input's attributes and
    // groups plus what a sound cook adds (less the UVs and colours of a
    // solve that did not happen).
    std::set<std::string> want = layout(u.input);
    for (const std::string &s : added) {
        if (!written && (s == "vertex:uv" || s == "prim:Cd")) continue;
        want.insert(s);
    }
    EXPECT_EQ(layout(out), want);
}

// ---------------------------------------------------------------- builders

void grid(GU_Detail &g) { makeGrid(g, 4, 4, 2.0f, 1.0f); }

void zeroAreaTriangles(GU_Detail &g) {
    grid(g);
    // A sliver on the boundary edge 0-1 whose middle point lies on it, and
    // a triangle whose three corners are one place, on point 2.
    int mid = addPoint(g, 0.25f, 0.0f);
    addPoly(g, {0, mid, 1});
    int a = addPoint(g, 1.0f, 0.0f), b = addPoint(g, 1.0f, 0.0f);
    addPoly(g, {2, a, b});
    // A quad whose corners run along one line.
    int q0 = addPoint(g, 2.0f, 0.0f), q1 = addPoint(g, 2.5f, 0.0f), q2 = addPoint(g, 3.0f, 0.0f);
    addPoly(g, {4, q0, q1, q2});
}

void coincidentPoints(GU_Detail &g) {
    grid(g);
    // Points 6 and 7 (inner neighbours) moved onto one place: the edge
    // between them has zero length and the quads around it fold.
    const UT_Vector4 p = g.points()(6)->getPos();
    movePoint(g, 7, p(0), p(1), p(2));
    // Two separate points at one place, joined to the grid by a triangle.
    int a = addPoint(g, 0.0f, -0.5f), b = addPoint(g, 0.0f, -0.5f);
    addPoly(g, {0, a, b});
    addPoly(g, {0, b, 1});
}

void duplicatePolygons(GU_Detail &g) {
    grid(g);
    g.appendPrimitiveCopy(*g.primitives()(5));
    g.appendPrimitiveCopy(*g.primitives()(5));
    g.appendPrimitiveCopy(*g.primitives()(0));
}

void nanPosition(GU_Detail &g) {
    grid(g);
    movePoint(g, 6, kNaN, 0.25f, 0.0f);
}

void infPosition(GU_Detail &g) {
    grid(g);
    movePoint(g, 12, kInf, -kInf, 0.0f);
}

void nonManifoldEdges(GU_Detail &g) {
    // Five quads on the edge 0-1, like the pages of a book, and a fan of
    // triangles that all share edge 0-1 too.
    int a = addPoint(g, 0, 0), b = addPoint(g, 0, 1);
    for (int k = 0; k < 5; ++k) {
        const float ang = static_cast<float>(k * M_PI / 5);
        int c = addPoint(g, std::cos(ang), 1, std::sin(ang)), d = addPoint(g, std::cos(ang), 0, std::sin(ang));
        addPoly(g, {a, b, c, d});
    }
    int e = addPoint(g, -1, 0.5f, 0.3f);
    addPoly(g, {b, a, e});
    addPoly(g, {a, b, e});
}

void tinyPolygons(GU_Detail &g) {
    grid(g);
    addPoly(g, {});
    addPoly(g, {3});
    addPoly(g, {3, 4});
    addPoly(g, {5, 5, 5});
}

void onlyTinyPolygons(GU_Detail &g) {
    int a = addPoint(g, 0, 0), b = addPoint(g, 1, 0);
    addPoly(g, {});
    addPoly(g, {a});
    addPoly(g, {a, b});
}

void openPolygons(GU_Detail &g) {
    grid(g);
    addPoly(g, {0, 1, 2, 7, 12}, false);
    int a = addPoint(g, 3, 3), b = addPoint(g, 4, 3), c = addPoint(g, 4, 4);
    addPoly(g, {24, a, b, c}, false);
}

void concave1000(GU_Detail &g) { addStarPolygon(g, 1000, 1.0f, 0.6f); }

void selfIntersecting(GU_Detail &g) {
    // A bow tie, a pentagram whose outline crosses itself five times, and
    // a figure eight, all in one piece through shared points.
    int p[4] = {addPoint(g, 0, 0), addPoint(g, 1, 1), addPoint(g, 1, 0), addPoint(g, 0, 1)};
    addPoly(g, {p[0], p[1], p[2], p[3]});
    std::vector<int> star;
    for (int i = 0; i < 5; ++i) {
        const double a = 2 * M_PI * ((2 * i) % 5) / 5;
        star.push_back(addPoint(g, 2 + static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))));
    }
    star[0] = p[2];
    addPoly(g, star);
    int e[5] = {addPoint(g, 0, 2), addPoint(g, 1, 3), addPoint(g, 1, 2), addPoint(g, 0, 3), addPoint(g, -1, 2)};
    addPoly(g, {p[3], e[0], e[1], e[2], e[3], e[4]});
}

void unreferencedPoints(GU_Detail &g) {
    addPoint(g, 100, 100, 100);
    grid(g);
    addPoint(g, kNaN, kNaN, kNaN);
    addPoint(g, -1e30f, 1e30f, 0);
}

void emptyDetail(GU_Detail &) {}

void singleTriangle(GU_Detail &g) {
    addPoint(g, 0, 0);
    addPoint(g, 1, 0);
    addPoint(g, 0, 1);
    addPoly(g, {0, 1, 2});
}

/// Pins on all three corners of a single triangle.
void pinEveryCorner(Unwrap &u) { u.addPin(0, 1, 0.5f, 1.0f); }

/// Both user pins on one vertex, with different UVs.
void pinsOnOneVertex(Unwrap &u) {
    if (u.node->evalInt("npins", 0, 0) == 2) u.node->setInt("pin2", 1, 0);
}

/// Pin UVs that are not numbers.
void nanPinUVs(Unwrap &u) {
    if (u.node->evalInt("npins", 0, 0) < 2) return;
    u.node->setFloat("pinuv2", 0, kNaN);
    u.node->setFloat("pinuv2", 1, kInf);
}

void farHint(Unwrap &u) { u.node->setInt("hintprim", 0, 1000000000); }

void bigPolygon(GU_Detail &g) { addStarPolygon(g, 200000, 1.0f, 0.999f); }

// -------------------------------------------------------------------- cases

const Case kCases[] = {
    {"ZeroAreaTriangles", zeroAreaTriangles, Outcome::Solved, Outcome::Solved, "p0-5-10"},
    {"CoincidentPoints", coincidentPoints, Outcome::Solved, Outcome::Solved, "p1-6-11"},
    {"DuplicatePolygons", duplicatePolygons, Outcome::Solved, Outcome::Solved, "p5-6-7"},
    // Default pins start every point at its position, so a position that is
    // not a number reaches the solution and the solve is refused. With user
    // pins the start values are 0 and the broken corners' angles come out
    // as right angles (a zero vector has no direction), so the rows stay
    // finite and a finite layout is written.
    {"NaNPosition", nanPosition, Outcome::Failed, Outcome::Solved, "p0-6-12", nullptr, Outcome::Failed},
    {"InfinitePosition", infPosition, Outcome::Failed, Outcome::Solved, "p2-7-12", nullptr, Outcome::Failed},
    {"NonManifoldEdges", nonManifoldEdges, Outcome::Solved, Outcome::Solved, "p0-1"},
    {"PolygonsOfZeroOneTwoVertices", tinyPolygons, Outcome::Solved, Outcome::Solved, "p3-4"},
    {"OnlyPolygonsOfFewerThanThreeVertices", onlyTinyPolygons, Outcome::Nothing, Outcome::Either, "p0-1", nullptr,
     Outcome::Nothing},
    {"OpenPolygons", openPolygons, Outcome::Solved, Outcome::Solved, "p0-1-2"},
    {"Concave1000VertexPolygon", concave1000, Outcome::Solved, Outcome::Solved, "p0-1-2-3"},
    {"SelfIntersectingPolygons", selfIntersecting, Outcome::Solved, Outcome::Solved, "p0-1"},
    {"UnreferencedPoints", unreferencedPoints, Outcome::Solved, Outcome::Solved, "p1-6-11"},
    {"EmptyDetail", emptyDetail, Outcome::Nothing, Outcome::Nothing, nullptr, nullptr, Outcome::Nothing},
    {"EveryPointPinned", singleTriangle, Outcome::Solved, Outcome::Solved, nullptr, pinEveryCorner},
    {"EveryPointPinnedByDefaultPins", onlyTinyPolygons, Outcome::Solved, Outcome::Either, nullptr,
     [](Unwrap &u) { u.node->setInt("hintprim", 0, 2); }, Outcome::Nothing},
    {"PinsOnOneVertex", grid, Outcome::Solved, Outcome::Either, nullptr, pinsOnOneVertex},
    {"NaNPinUVs", grid, Outcome::Solved, Outcome::Failed, nullptr, nanPinUVs},
    {"HintFarBeyondThePrimitives", grid, Outcome::Solved, Outcome::Solved, "p0-5-10", farHint},
};

struct CaseSetup {
    const Case *c;
    Setup setup;
    bool uvs;
};

void PrintTo(const CaseSetup &s, std::ostream *os) { *os << s.c->name; }

std::vector<CaseSetup> allCaseSetups() {
    std::vector<CaseSetup> v;
    for (const Case &c : kCases) {
        v.push_back({&c, Setup::Defaults, false});
        v.push_back({&c, Setup::Defaults, true});
        v.push_back({&c, Setup::TwoPins, true});
        if (c.seams) v.push_back({&c, Setup::Seams, false});
    }
    return v;
}

std::string setupName(const testing::TestParamInfo<CaseSetup> &info) {
    const char *s =
        info.param.setup == Setup::Defaults ? "Defaults" : (info.param.setup == Setup::TwoPins ? "TwoPins" : "Seams");
    return std::string(info.param.c->name) + "_" + s + (info.param.uvs ? "_InputUVs" : "");
}

class DegenerateCook : public testing::TestWithParam<CaseSetup> {};

}  // namespace

TEST_P(DegenerateCook, ReturnsFiniteValuesAndLeavesNothingBehind) {
    runCase(*GetParam().c, GetParam().setup, GetParam().uvs);
}

INSTANTIATE_TEST_SUITE_P(Cases, DegenerateCook, testing::ValuesIn(allCaseSetups()), setupName);

// A 200,000-point polygon goes through the triangulation and the direct
// solver in reasonable time. Its triangles are slivers whose corner angles
// round to 0 in 32 bits, so the normal matrix may be singular: the solve
// may be refused (with the warning, UVs untouched) but must not hang.
TEST(DegenerateCookLarge, TwoHundredThousandPointPolygon) {
    Case c{"Big",           bigPolygon, Outcome::Either,
           Outcome::Either, nullptr,    [](Unwrap &u) { u.node->setInt("solver", 0, 1); }};
    runCase(c, Setup::Defaults, false);
}
