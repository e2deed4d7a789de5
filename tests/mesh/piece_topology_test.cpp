// The disk check of the piece, and each seam message given once.
#include <gtest/gtest.h>
#include <string>
#include "support/flatskin_fixture.h"

using namespace fs_test;

namespace {
/// A closed torus of n by m quads.
void makeTorus(GU_Detail &g, int n, int m) {
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            float a = 2.0f * float(M_PI) * i / n, b = 2.0f * float(M_PI) * j / m;
            float r = 2.0f + std::cos(b);
            g.appendPoint(UT_Vector4(r * std::cos(a), r * std::sin(a), std::sin(b), 1));
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            int q[4] = {j * n + i, j * n + (i + 1) % n, ((j + 1) % m) * n + (i + 1) % n, ((j + 1) % m) * n + i};
            g.appendPoly(q, 4);
        }
}

/// A closed cube of six quads, shifted by x0 in x.
void makeCube(GU_Detail &g, float x0 = 0) {
    int base = g.points().entries();
    for (int i = 0; i < 8; ++i) g.appendPoint(UT_Vector4(x0 + (i & 1), (i >> 1) & 1, (i >> 2) & 1, 1));
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto &f : faces) {
        int q[4] = {base + f[0], base + f[1], base + f[2], base + f[3]};
        g.appendPoly(q, 4);
    }
}

/// A grid of 5 by 3 unit quads without quads (1, 1) and (3, 1): three
/// boundary loops.
void makeGridWithHoles(GU_Detail &g) {
    for (int j = 0; j <= 3; ++j)
        for (int i = 0; i <= 5; ++i) g.appendPoint(UT_Vector4(float(i), float(j), 0, 1));
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 5; ++i) {
            if (j == 1 && (i == 1 || i == 3)) continue;
            int a = j * 6 + i;
            int q[4] = {a, a + 1, a + 7, a + 6};
            g.appendPoly(q, 4);
        }
}

/// The texts of the last cook's messages that start with prefix.
std::vector<std::string> saidStarting(const Unwrap &u, const std::string &prefix) {
    std::vector<std::string> found;
    for (const auto &m : u.node->messages())
        if (m.text.rfind(prefix, 0) == 0) found.push_back(m.text);
    return found;
}
}  // namespace

TEST(PieceTopology, OnlyPiecesThatAreNotDisksAreWarnedAbout) {
    struct Case {
        const char *name;
        void (*build)(GU_Detail &);
        const char *warning;  // null: none
    } cases[] = {
        {"closed cube", [](GU_Detail &g) { makeCube(g); }, "(0 boundary loops, genus 0)"},
        {"torus", [](GU_Detail &g) { makeTorus(g, 8, 6); }, "(0 boundary loops, genus 1)"},
        {"grid", [](GU_Detail &g) { makeGrid(g, 3, 3); }, nullptr},
        {"grid with two holes", [](GU_Detail &g) { makeGridWithHoles(g); }, nullptr},
        {"open tube", [](GU_Detail &g) { makeTube(g, 8, 3); }, nullptr},
        // Everything in one system: the cube is the part that is no disk.
        {"grid and cube",
         [](GU_Detail &g) {
             makeGrid(g, 2, 2);
             makeCube(g, 5.0f);
         },
         "(0 boundary loops, genus 0)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Unwrap u;
        c.build(u.input);
        u.node->setInt("hintprim", 0, 999);
        EXPECT_LT(u.cook(), UT_ERROR_ABORT);
        const auto found = saidStarting(u, "The piece is not a disk");
        if (!c.warning) {
            EXPECT_TRUE(found.empty()) << found.front();
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0], std::string("The piece is not a disk ") + c.warning + ": cut it open with seams");
        // The cook goes on and writes uvs.
        EXPECT_TRUE(std::isfinite(u.uv(0, 0).first));
    }
}

TEST(PieceTopology, EachSeamMessageIsGivenOnceWithSeamColours) {
    struct Case {
        const char *name;
        bool attribute;
        const char *seams;
        const char *text;
    } cases[] = {
        {"pattern naming no edge", false, "p99-100", "The seam pattern names no edge"},
        {"pattern naming no group", false, "nosuchgroup", "nosuchgroup"},
        {"missing attribute", true, "", "No seam attribute can't create seams use attribute"},
    };
    for (bool seamcode : {false, true})
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (seamcode ? ", seam colours" : ""));
            Unwrap u;
            makeGrid(u.input, 3, 3);
            u.node->setInt("useseamatt", 0, c.attribute);
            u.node->setString("seams", 0, c.seams);
            u.node->setInt("seamcode", 0, seamcode);
            u.cook();
            EXPECT_EQ(saidStarting(u, c.text).size(), 1u);
        }
}
