#include "UvEdges.h"
#include <algorithm>
#include <cmath>

namespace {

/// One side of one polygon: its points in increasing order and the UVs the
/// polygon gives them.
struct Side {
    int p0, p1;
    float uv[4];  // u, v at p0, then at p1
};

bool samePlace(const Side &a, const Side &b) {
    return a.uv[0] == b.uv[0] && a.uv[1] == b.uv[1] && a.uv[2] == b.uv[2] && a.uv[3] == b.uv[3];
}

bool finite(const float *uv) {
    return std::isfinite(uv[0]) && std::isfinite(uv[1]) && std::isfinite(uv[2]) && std::isfinite(uv[3]);
}

void collectSides(const GU_Detail &gdp, const TupleSource &uv, std::vector<Side> &sides) {
    size_t corners = 0;
    for (const auto &prim : gdp.primitives()) corners += prim->getVertexCount();
    sides.reserve(corners);
    for (const auto &prim : gdp.primitives()) {
        const unsigned m = prim->getVertexCount();
        if (m < 2) continue;
        const bool closed =
            prim->getPrimitiveId() != GEOPRIMPOLY || static_cast<const GEO_PrimPoly &>(*prim).isClosed();
        const unsigned n = closed && m > 2 ? m : m - 1;
        for (unsigned i = 0; i < n; ++i) {
            const GEO_Vertex &a = prim->getVertex(i), &b = prim->getVertex(i + 1 < m ? i + 1 : 0);
            Side s{a.getPt()->getNum(),
                   b.getPt()->getNum(),
                   {cornerValue(uv, a, 0), cornerValue(uv, a, 1), cornerValue(uv, b, 0), cornerValue(uv, b, 1)}};
            if (s.p0 == s.p1 || !finite(s.uv)) continue;
            if (s.p0 > s.p1) s = Side{s.p1, s.p0, {s.uv[2], s.uv[3], s.uv[0], s.uv[1]}};
            sides.push_back(s);
        }
    }
}

}  // namespace

std::vector<UvEdge> uvEdges(const GU_Detail &gdp, const TupleSource &uv) {
    std::vector<Side> sides;
    collectSides(gdp, uv, sides);
    // Sides of one edge, and equal placings within it, become neighbours.
    std::sort(sides.begin(), sides.end(), [](const Side &a, const Side &b) {
        if (a.p0 != b.p0) return a.p0 < b.p0;
        if (a.p1 != b.p1) return a.p1 < b.p1;
        return std::lexicographical_compare(a.uv, a.uv + 4, b.uv, b.uv + 4);
    });
    std::vector<UvEdge> edges;
    edges.reserve(sides.size() / 2 + 16);
    for (size_t i = 0; i < sides.size();) {
        size_t j = i + 1;
        while (j < sides.size() && sides[j].p0 == sides[i].p0 && sides[j].p1 == sides[i].p1 &&
               samePlace(sides[j], sides[i]))
            ++j;
        const float *p = sides[i].uv;
        edges.push_back(UvEdge{p[0], p[1], p[2], p[3], j - i == 1});
        i = j;
    }
    return edges;
}
