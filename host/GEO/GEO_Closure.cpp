#include "GEO_Closure.h"
#include "GEO_Detail.h"

GB_PointGroup *GEO_Closure::getPointClosure(const GB_PrimitiveGroup &group) {
    auto closure = std::make_unique<GB_PointGroup>("__closure", true);
    const GEO_PrimList &prims = myGdp.primitives();
    for (GEO_Primitive *prim = prims.rawHead(&group); prim; prim = prims.rawNext(prim, &group))
        for (const GEO_Vertex &v : prim->vertices()) closure->add(v.getPt());
    myGroups.push_back(std::move(closure));
    return myGroups.back().get();
}

/// Whether the vertex at index i of poly has other as a neighbour along one
/// of the polygon's edges.
static bool hasEdgeTo(const GEO_PrimPoly &poly, int i, const GEO_Point *other) {
    const int n = static_cast<int>(poly.getVertexCount());
    const bool closed = poly.isClosed();
    const int next = i + 1 < n ? i + 1 : (closed ? 0 : -1);
    const int prev = i > 0 ? i - 1 : (closed ? n - 1 : -1);
    return (next >= 0 && next != i && poly.getVertex(next).getPt() == other) ||
           (prev >= 0 && prev != i && poly.getVertex(prev).getPt() == other);
}

void GEO_Closure::findPolysUsingEdge(const GEO_Point *p0, const GEO_Point *p1, UT_IntArray &prims,
                                     const GB_PointRefArray &refs) {
    prims.clear();
    if (!p0 || !p1) return;
    // Walk the shorter of the two points' use lists; either finds every
    // polygon with the edge.
    std::span<const GB_PointRef> uses0 = refs(p0->getNum()), uses1 = refs(p1->getNum());
    const bool swap = uses1.size() < uses0.size();
    std::span<const GB_PointRef> uses = swap ? uses1 : uses0;
    const GEO_Point *other = swap ? p0 : p1;
    // Uses come in primitive order, so a repeat can only follow its first.
    for (const GB_PointRef &r : uses) {
        if (r.prim->getPrimitiveId() != GEOPRIMPOLY) continue;
        if (!hasEdgeTo(static_cast<const GEO_PrimPoly &>(*r.prim), r.vtx, other)) continue;
        const int num = r.prim->getNum();
        if (prims.entries() == 0 || prims(prims.entries() - 1) != num) prims.append(num);
    }
}
