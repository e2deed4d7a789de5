#pragma once
#include <vector>
#include "GU/GU_Detail.h"

// A 3x3 grid of points (numbered row by row, y up) and four quads:
//   6 - 7 - 8
//   | 2 | 3 |
//   3 - 4 - 5
//   | 0 | 1 |
//   0 - 1 - 2
// Prim 4 is an open polyline 6-7-8 along the top row. The grid has 12
// distinct edges.
inline void buildGrid(GU_Detail &gdp) {
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) gdp.appendPoint(UT_Vector4(static_cast<float>(x), static_cast<float>(y), 0));
    const int quads[4][4] = {{0, 1, 4, 3}, {1, 2, 5, 4}, {3, 4, 7, 6}, {4, 5, 8, 7}};
    for (const auto &q : quads) gdp.appendPoly(q, 4, true);
    const int line[3] = {6, 7, 8};
    gdp.appendPoly(line, 3, false);
}

/// The members of a point or primitive group, in number order.
template <typename G> std::vector<int> membersOf(const G *g) {
    std::vector<int> out;
    if (g)
        for (int i = g->nextMember(0); i >= 0; i = g->nextMember(i + 1)) out.push_back(i);
    return out;
}
