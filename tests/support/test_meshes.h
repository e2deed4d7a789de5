#pragma once
// Small meshes and checks shared by the tests, the benchmark and the fuzz
// targets: one builder of each kind.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>
#include "GU/GU_Detail.h"

namespace test_meshes {

/// A closed polygon on the given point numbers.
inline GEO_PrimPoly *addPoly(GEO_Detail &gdp, std::vector<int> pts, bool closed = true) {
    return gdp.appendPoly(pts.data(), static_cast<int>(pts.size()), closed);
}

/// Point numbers of a primitive's vertices, in vertex order.
inline std::vector<int> pointsOf(const GEO_Primitive &prim) {
    std::vector<int> out;
    for (const GEO_Vertex &v : prim.vertices()) out.push_back(v.getPt()->getNum());
    return out;
}

/// Point number of grid corner (i, j) in a grid nx quads wide.
inline int gridPoint(int nx, int i, int j) { return j * (nx + 1) + i; }

/// A grid of nx by ny quads over [x0, x0 + sx] x [y0, y0 + sy] with
/// z = f(x, y) (0 without f), facing +z for a flat grid. Points are
/// numbered row by row from the detail's first free number (gridPoint);
/// quad (i, j) is the detail's next primitive j*nx + i. makeGrid(g, n, m,
/// n, m) gives unit quads on whole-number corners.
inline void makeGrid(GEO_Detail &gdp, int nx, int ny, float sx = 1, float sy = 1,
                     std::function<float(float, float)> f = nullptr, float x0 = 0, float y0 = 0) {
    const int base = gdp.points().entries();
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const float x = x0 + sx * i / nx, y = y0 + sy * j / ny;
            gdp.appendPoint(UT_Vector4(x, y, f ? f(x, y) : 0.0f, 1));
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = base + gridPoint(nx, i, j);
            addPoly(gdp, {a, a + 1, a + nx + 2, a + nx + 1});
        }
}

/// A 3x3 grid of points (numbered row by row, y up) and four quads:
///   6 - 7 - 8
///   | 2 | 3 |
///   3 - 4 - 5
///   | 0 | 1 |
///   0 - 1 - 2
/// Prim 4 is an open polyline 6-7-8 along the top row. The grid has 12
/// distinct edges.
inline void buildGrid(GEO_Detail &gdp) {
    makeGrid(gdp, 2, 2, 2, 2);
    addPoly(gdp, {6, 7, 8}, false);
}

/// The members of a point or primitive group, in number order.
template <typename G> std::vector<int> membersOf(const G *g) {
    std::vector<int> out;
    if (g)
        for (int i = g->nextMember(0); i >= 0; i = g->nextMember(i + 1)) out.push_back(i);
    return out;
}

/// Point number of tube corner (i around, j along).
inline int tubePoint(int around, int i, int j) { return j * around + ((i % around) + around) % around; }

/// An open tube of quads: `around` quads around the z axis (radius r),
/// `along` rings of quads up it over the length len, facing outwards; both
/// ends open. Points are numbered ring by ring (tubePoint); quad (i, j) is
/// primitive j*around + i.
inline void makeTube(GEO_Detail &gdp, int around, int along, float r = 1, float len = 2) {
    for (int j = 0; j <= along; ++j)
        for (int i = 0; i < around; ++i) {
            const float a = 2.0f * float(M_PI) * i / around;
            gdp.appendPoint(UT_Vector4(r * std::cos(a), r * std::sin(a), len * j / along, 1));
        }
    for (int j = 0; j < along; ++j)
        for (int i = 0; i < around; ++i)
            addPoly(gdp, {tubePoint(around, i, j), tubePoint(around, i + 1, j), tubePoint(around, i + 1, j + 1),
                          tubePoint(around, i, j + 1)});
}

/// A closed box of n by n quads on each of its six sides, the cube
/// [0, n]^3, all quads facing outwards and sharing the points along the
/// box's edges. Side 0 (z = 0) comes first: its quads are primitives
/// 0 .. n*n - 1. `at` maps a lattice corner to its point number.
struct Box {
    int n = 0;
    std::map<std::tuple<int, int, int>, int> at;
};
inline Box makeBox(GEO_Detail &gdp, int n) {
    Box box;
    box.n = n;
    auto point = [&](int x, int y, int z) {
        auto [it, added] = box.at.emplace(std::make_tuple(x, y, z), gdp.points().entries());
        if (added) gdp.appendPoint(UT_Vector4(float(x), float(y), float(z)));
        return it->second;
    };
    // Each side as (fixed axis, value at that axis, whether u x v points
    // inwards and must be flipped).
    struct Side {
        int axis, value;
        bool flip;
    };
    const Side sides[6] = {{2, 0, true}, {2, n, false}, {0, 0, true}, {0, n, false}, {1, 0, true}, {1, n, false}};
    for (const Side &s : sides)
        for (int v = 0; v < n; ++v)
            for (int u = 0; u < n; ++u) {
                auto corner = [&](int du, int dv) {
                    int c[3];
                    const int ua = (s.axis + 1) % 3, va = (s.axis + 2) % 3;
                    c[s.axis] = s.value;
                    c[ua] = u + du;
                    c[va] = v + dv;
                    return point(c[0], c[1], c[2]);
                };
                std::vector<int> q{corner(0, 0), corner(1, 0), corner(1, 1), corner(0, 1)};
                if (s.flip) std::swap(q[1], q[3]);
                addPoly(gdp, q);
            }
    return box;
}

/// Adds the chain of edges through the given points to an edge group.
inline void addChain(GEO_Detail &gdp, GB_EdgeGroup &edges, const std::vector<int> &pts) {
    for (size_t i = 0; i + 1 < pts.size(); ++i) edges.add(gdp.points()(pts[i]), gdp.points()(pts[i + 1]));
}

/// How many polygons use each undirected edge, keyed by (low, high) point.
inline std::map<std::pair<int, int>, int> edgeUse(const GEO_Detail &gdp) {
    std::map<std::pair<int, int>, int> use;
    for (const auto &prim : gdp.primitives()) {
        const std::vector<int> p = pointsOf(*prim);
        for (size_t i = 0; i < p.size(); ++i) {
            int a = p[i], b = p[(i + 1) % p.size()];
            ++use[{std::min(a, b), std::max(a, b)}];
        }
    }
    return use;
}

/// Number of edges used by exactly one polygon.
inline int boundaryEdgeCount(const GEO_Detail &gdp) {
    int n = 0;
    for (const auto &[edge, count] : edgeUse(gdp)) n += count == 1;
    return n;
}

/// Point numbers used by any primitive.
inline std::set<int> usedPoints(const GEO_Detail &gdp) {
    std::set<int> used;
    for (const auto &prim : gdp.primitives())
        for (int p : pointsOf(*prim)) used.insert(p);
    return used;
}

}  // namespace test_meshes
