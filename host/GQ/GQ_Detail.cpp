#include "GQ_Detail.h"
#include "GU/GU_Detail.h"

GQ_Detail::GQ_Detail(GU_Detail *gdp, const GB_PrimitiveGroup *group, float tolerance)
    : myGdp(gdp), myTolerance(tolerance) {
    if (group) {
        myGroup = std::make_unique<GB_PrimitiveGroup>("__gq_view", true);
        myGroup->copyMembership(*group);
    }
}

GQ_Detail::~GQ_Detail() = default;

void GQ_Detail::build() {
    myPoints = {};
    myFaces = {};
    myRecords = {};
    myEdgeList = {};
    myBuilt = true;
    if (!myGdp) return;

    const GEO_PrimList &prims = myGdp->primitives();
    const GB_PrimitiveGroup *group = myGroup.get();
    size_t faces = 0, corners = 0;
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group))
        if (prim->getPrimitiveId() == GEOPRIMPOLY) ++faces, corners += prim->getVertexCount();
    myFaces.reserve(faces);
    for (GEO_Primitive *prim = prims.rawHead(group); prim; prim = prims.rawNext(prim, group))
        if (prim->getPrimitiveId() == GEOPRIMPOLY) myFaces.emplace_back(prim);
    myPoints.reserve(static_cast<size_t>(myGdp->points().entries()));
    for (const auto &pt : myGdp->points()) myPoints.emplace_back(pt.get());

    // First pass: number the edges in the order the walk first meets them
    // (-1 for an edge from a point to itself). A closed surface has one
    // edge per two corners; the table grows if there are more.
    myTable.reset(corners / 2 + 1);
    std::vector<int> record_of;
    record_of.reserve(corners);
    forEachEdge([&](int a, int b, size_t) {
        const int next = static_cast<int>(myTable.size());
        record_of.push_back(a == b ? -1 : myTable.insert(GQ_EdgeTable::key(a, b), next).first);
    });
    // Second pass, on records allocated once at their final size: the first
    // polygon to use an edge is the face on the left of its position-0
    // edge, the second the face on its right.
    myRecords.resize(myTable.size());
    size_t k = 0;
    forEachEdge([&](int a, int b, size_t f) {
        const int index = record_of[k++];
        if (index < 0) return;
        GQ_QuadRecord &r = myRecords[static_cast<size_t>(index)];
        if (!r.edges[0].myPoint) {
            r.edges[0].myPoint = &myPoints[a];
            r.edges[2].myPoint = &myPoints[b];
            r.edges[1].myFace = &myOutside;  // until a second polygon shows
            r.edges[3].myFace = &myFaces[f];
        } else if (r.edges[1].myFace == &myOutside) {
            r.edges[1].myFace = &myFaces[f];
        }
    });
    myEdgeList.reserve(myRecords.size());
    for (GQ_QuadRecord &r : myRecords) myEdgeList.push_back(&r.edges[0]);
}

template <typename F> void GQ_Detail::forEachEdge(F &&visit) const {
    for (size_t f = 0; f < myFaces.size(); ++f) {
        const auto &poly = static_cast<const GEO_PrimPoly &>(*myFaces[f].getPrim());
        const int n = static_cast<int>(poly.getVertexCount());
        const int last = poly.isClosed() ? n : n - 1;
        for (int i = 0; i < last; ++i)
            visit(poly.getVertex(i).getPt()->getNum(), poly.getVertex((i + 1) % n).getPt()->getNum(), f);
    }
}

GQ_Edge *GQ_Detail::findEdge(int a, int b) {
    if (a < 0 || b < 0 || a == b) return nullptr;
    ensureBuilt();
    const int *index = myTable.find(GQ_EdgeTable::key(a, b));
    if (!index) return nullptr;
    GQ_Edge *e = &myRecords[*index].edges[0];
    return e->org() == &myPoints[a] ? e : e->sym();
}
