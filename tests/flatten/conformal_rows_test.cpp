// The two rows of one triangle: corner shift, coefficients, variables.
#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include "flatten/conformal_rows.h"
#include "support/flatskin_fixture.h"

namespace {
/// A triangle on three new points with "ptN" 10, 20 and 30.
struct Triangle {
    GU_Detail g;
    int ptn = -1;
    Triangle(UT_Vector4 a, UT_Vector4 b, UT_Vector4 c) {
        ptn = g.addPointAttrib("ptN", 4, GB_ATTRIB_INT, nullptr);
        int n[3];
        const UT_Vector4 p[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            n[i] = g.appendPoint(p[i])->getNum();
            g.points()(n[i])->setValue<int>(ptn, 10 * (i + 1));
        }
        g.appendPoly(n, 3);
    }
    ConformalRows rows() const { return conformalRows(*g.primitives()(0), ptn); }
};

/// Point (x, y) rotated about the origin so that no edge is axis-aligned.
UT_Vector4 at(double x, double y) {
    const double t = 0.3;
    return UT_Vector4(float(x * std::cos(t) - y * std::sin(t)), float(x * std::sin(t) + y * std::cos(t)), 0.5f, 1);
}
}  // namespace

TEST(ConformalRows, CornerShiftPutsTheLargestSineLast) {
    // Equilateral: all sines compare equal (or within rounding); a tie with
    // corner 2 keeps the order.
    Triangle eq(UT_Vector4(0, 0, 0, 1), UT_Vector4(1, 0, 0, 1), UT_Vector4(0.5f, std::sqrt(3.0f) / 2, 0, 1));
    float a0, a1, a2;
    SOP_Flatskin::cornerAngles(*eq.g.primitives()(0), a0, a1, a2);
    float s0 = float(std::sin(double(a0))), s1 = float(std::sin(double(a1))), s2 = float(std::sin(double(a2)));
    if (s2 >= s0 && s2 >= s1) {
        EXPECT_EQ(eq.rows().corner[2], 2);
    }

    // 30, 120, 30 degrees: the largest sine is at corner 1 -> (2, 0, 1).
    const double h = std::tan(M_PI / 6);
    Triangle obtuse(at(0, 0), at(1, h), at(2, 0));
    const ConformalRows r = obtuse.rows();
    EXPECT_EQ(r.corner[0], 2);
    EXPECT_EQ(r.corner[1], 0);
    EXPECT_EQ(r.corner[2], 1);

    // Corners 0 and 1 tie above corner 2 (isosceles with a sharp apex at 2):
    // the old corner 0 goes last.
    Triangle sharp(UT_Vector4(0, 0, 0, 1), UT_Vector4(1, 0, 0, 1), UT_Vector4(0.5f, 8.0f, 0, 1));
    SOP_Flatskin::cornerAngles(*sharp.g.primitives()(0), a0, a1, a2);
    ASSERT_EQ(float(std::sin(double(a0))), float(std::sin(double(a1))));
    const ConformalRows t = sharp.rows();
    EXPECT_EQ(t.corner[2], 0);
    EXPECT_EQ(t.corner[0], 1);
}

TEST(ConformalRows, EachRowNamesFiveVariablesAndIsSatisfiedByTheTriangleItself) {
    Triangle tri(at(0, 0), at(1.3, 0.2), at(0.4, 0.9));
    const ConformalRows r = tri.rows();
    for (int row = 0; row < 2; ++row) {
        std::set<int> vars(r.index[row], r.index[row] + 5);
        EXPECT_EQ(vars.size(), 5u);
    }
    // Row 0 holds u only of the third corner, row 1 v only.
    const int k2 = 10 * (r.corner[2] + 1);
    EXPECT_EQ(r.index[0][4], 2 * k2);
    EXPECT_EQ(r.index[1][4], 2 * k2 + 1);
    // The triangle's own (x, y) solve both rows (it is similar to itself).
    const GEO_Primitive &p = *tri.g.primitives()(0);
    auto value = [&](int var) -> double {
        for (int c = 0; c < 3; ++c)
            if (var / 2 == 10 * (c + 1)) return double(p.getVertex(c).getPt()->getPos()(var % 2));
        return NAN;
    };
    for (int row = 0; row < 2; ++row) {
        double sum = 0;
        for (int i = 0; i < 5; ++i) sum += r.value[row][i] * value(r.index[row][i]);
        EXPECT_NEAR(sum, 0.0, 1e-6) << row;
    }
}

TEST(ConformalRows, DegenerateTrianglesGiveFiniteRows) {
    Triangle point(UT_Vector4(1, 1, 1, 1), UT_Vector4(1, 1, 1, 1), UT_Vector4(1, 1, 1, 1));
    Triangle line(UT_Vector4(0, 0, 0, 1), UT_Vector4(1, 0, 0, 1), UT_Vector4(2, 0, 0, 1));
    for (const Triangle *t : {&point, &line}) {
        const ConformalRows r = t->rows();
        for (int row = 0; row < 2; ++row)
            for (int i = 0; i < 5; ++i) EXPECT_TRUE(std::isfinite(r.value[row][i]));
    }
}
