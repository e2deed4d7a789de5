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
    myPolys.clear();
    myPoints.clear();
    myFaces.clear();
    myRecords.clear();
    myEdgeList.clear();
    myBuilt = true;
    if (!myGdp) return;

    const GEO_PrimList &prims = myGdp->primitives();
    size_t corners = 0;
    for (GEO_Primitive *prim = prims.rawHead(myGroup.get()); prim; prim = prims.rawNext(prim, myGroup.get())) {
        if (prim->getPrimitiveId() != GEOPRIMPOLY) continue;
        myPolys.push_back(static_cast<GEO_PrimPoly *>(prim));
        corners += prim->getVertexCount();
    }
    myPoints.reserve(static_cast<size_t>(myGdp->points().entries()));
    for (const auto &pt : myGdp->points()) myPoints.emplace_back(pt.get());
    myFaces.reserve(myPolys.size());
    for (GEO_PrimPoly *poly : myPolys) myFaces.emplace_back(poly);

    // A polygon mesh has at most one edge per corner, so these reserves hold.
    myTable.reset(corners);
    myRecords.reserve(corners);
    for (size_t f = 0; f < myPolys.size(); ++f) {
        const GEO_PrimPoly &poly = *myPolys[f];
        const int n = static_cast<int>(poly.getVertexCount());
        const int last = poly.isClosed() ? n : n - 1;
        for (int i = 0; i < last; ++i)
            addEdge(poly.getVertex(i).getPt()->getNum(), poly.getVertex((i + 1) % n).getPt()->getNum(), &myFaces[f]);
    }
    // The records no longer move, so pointers to them can be handed out.
    myEdgeList.reserve(myRecords.size());
    for (GQ_QuadRecord &r : myRecords) myEdgeList.push_back(&r.edges[0]);
}

void GQ_Detail::addEdge(int a, int b, GQ_Face *f) {
    if (a == b) return;
    const auto [index, added] = myTable.insert(GQ_EdgeTable::key(a, b), static_cast<int>(myRecords.size()));
    if (!added) {
        // The second polygon to use the edge is the face on its right.
        GQ_Edge &right = myRecords[index].edges[1];
        if (right.myFace == &myOutside) right.myFace = f;
        return;
    }
    GQ_QuadRecord &r = myRecords.emplace_back();
    for (int q = 0; q < 4; ++q) r.edges[q].myQuad = q;
    r.edges[0].myPoint = &myPoints[a];
    r.edges[2].myPoint = &myPoints[b];
    r.edges[1].myFace = &myOutside;  // right of edge 0, until a second polygon shows
    r.edges[3].myFace = f;           // left of edge 0
}

GQ_Edge *GQ_Detail::findEdge(int a, int b) {
    if (a < 0 || b < 0 || a == b) return nullptr;
    ensureBuilt();
    const int *index = myTable.find(GQ_EdgeTable::key(a, b));
    if (!index) return nullptr;
    GQ_Edge *e = &myRecords[*index].edges[0];
    return e->org() == &myPoints[a] ? e : e->sym();
}
