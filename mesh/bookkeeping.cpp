#include "node/SOP_Flatskin.h"

void SOP_Flatskin::addBookkeeping(GU_Detail &work) {
    int prim_off = work.primitiveAttribs().append("primN", 4, GB_ATTRIB_INT, nullptr);
    int vtx_off = work.vertexAttribs().append("vtxN", 4, GB_ATTRIB_INT, nullptr);
    // An input attribute of the same name with another layout blocks the
    // append; nothing may then be written through the negative offset.
    if (prim_off < 0 || vtx_off < 0) return;
    for (const auto &prim : work.primitives()) {
        prim->setValue<int>(prim_off, prim->getNum());
        int k = 0;
        for (GEO_Vertex &v : prim->vertices()) v.setValue<int>(vtx_off, k++);
    }
}

void SOP_Flatskin::numberPiecePoints(GU_Detail &work) {
    myPtNOffset = work.pointAttribs().append("ptN", 4, GB_ATTRIB_INT, nullptr);
    if (myPtNOffset < 0) return;
    const GEO_PointList &pts = work.points();
    int k = 0;
    for (GEO_Point *p = pts.rawHead(myWorkPiecePoints); p; p = pts.rawNext(p, myWorkPiecePoints))
        p->setValue<int>(myPtNOffset, k++);
}

void SOP_Flatskin::appendCurrentLayer(const GEO_Detail &gdp, UT_String &name) {
    int off = gdp.attribs().getOffset("currentlayer", 4, GB_ATTRIB_INT);
    if (off < 0) return;
    UT_String layer;
    layer.itoa(gdp.getDetailValue<int>(off));
    name += layer;
}
