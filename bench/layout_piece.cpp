// The solver's piece restated from the node's output, for CGAL's LSCM: the
// same triangles the node lays out, cut where the layout is cut.
#include "bench.h"

#include <GEO/GEO_PointClassifier.h>
#include <GEO/GEO_PrimClassifier.h>
#include <GU/triangulate_polygon.h>

#include <map>
#include <tuple>

namespace bench {

Piece pieceOfLayout(GU_Detail &out) {
    Piece piece;
    if (out.primitives().entries() == 0) return piece;
    const int uv = out.vertexAttribs().getOffset("uv", 12, GB_ATTRIB_FLOAT);
    GEO_PointClassifier points;
    points.classifyPoints(out);
    GEO_PrimClassifier pieces;
    pieces.classifyBySharedPoints(out, points, nullptr);
    const int cls = pieces.getClass(0);
    // One piece vertex per point and UV pair.
    std::map<std::tuple<int, float, float>, int> number;
    auto vertexOf = [&](const GEO_Vertex &v) {
        const GEO_Point &pt = *v.getPt();
        const float u = uv < 0 ? 0.0f : v.getValue<float>(uv, 0), w = uv < 0 ? 0.0f : v.getValue<float>(uv, 1);
        auto [it, added] = number.try_emplace({pt.getNum(), u, w}, int(piece.pos.size()));
        if (added) piece.pos.push_back({pt.getPos()(0), pt.getPos()(1), pt.getPos()(2)});
        return it->second;
    };
    std::vector<double> xyz;
    std::vector<std::array<int, 3>> split;
    for (const auto &prim : out.primitives()) {
        const unsigned m = prim->getVertexCount();
        if (pieces.getClass(prim->getNum()) != cls || m < 3) continue;
        xyz.resize(3 * m);
        for (unsigned i = 0; i < m; ++i)
            for (int k = 0; k < 3; ++k) xyz[3 * i + k] = prim->getVertex(i).getPt()->getPos()(k);
        triangulatePolygon(xyz.data(), int(m), split);
        for (const std::array<int, 3> &t : split)
            piece.tris.push_back({vertexOf(prim->getVertex(unsigned(t[0]))), vertexOf(prim->getVertex(unsigned(t[1]))),
                                  vertexOf(prim->getVertex(unsigned(t[2])))});
    }
    if (piece.pos.empty()) return piece;
    std::array<double, 3> lo = piece.pos[0], hi = piece.pos[0];
    for (const auto &p : piece.pos)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    piece.pinA = piece.pinB = 0;
    for (int i = 0; i < int(piece.pos.size()); ++i) {
        if (piece.pos[size_t(i)][axis] < piece.pos[size_t(piece.pinA)][axis]) piece.pinA = i;
        if (piece.pos[size_t(i)][axis] > piece.pos[size_t(piece.pinB)][axis]) piece.pinB = i;
    }
    if (piece.pinA == piece.pinB) piece.pinA = piece.pinB = -1;
    return piece;
}

}  // namespace bench
