#include "GB_PointRefArray.h"
#include "GEO/GEO_Detail.h"

GB_PointRefArray::GB_PointRefArray(const GEO_Detail &gdp, const GB_PrimitiveGroup *group) {
    const int npoints = gdp.points().entries();
    myStart.assign(static_cast<size_t>(npoints) + 1, 0);
    const GEO_PrimList &prims = gdp.primitives();

    // Counting sort by point number: count, turn counts into starts, fill.
    // Filling in primitive order keeps each point's uses in that order.
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group))
        for (const GEO_Vertex &v : prim->vertices()) ++myStart[v.getPt()->getNum() + 1];
    for (int p = 0; p < npoints; ++p) myStart[p + 1] += myStart[p];
    myRefs.resize(static_cast<size_t>(myStart[npoints]));
    std::vector<int> fill(myStart.begin(), myStart.end() - 1);
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group)) {
        const int n = static_cast<int>(prim->getVertexCount());
        for (int i = 0; i < n; ++i) myRefs[fill[prim->getVertex(i).getPt()->getNum()]++] = {prim, i};
    }
}

std::span<const GB_PointRef> GB_PointRefArray::operator()(int ptnum) const {
    if (ptnum < 0 || ptnum >= entries()) return {};
    return {myRefs.data() + myStart[ptnum], static_cast<size_t>(myStart[ptnum + 1] - myStart[ptnum])};
}
