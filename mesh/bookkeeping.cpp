#include "node/SOP_Flatskin.h"

namespace {
/// Offset of a new 4-byte integer attribute `name` of dict, zero on every
/// element. An attribute of that name that the input brought into the work
/// mesh is removed first, whatever its size and type: the work mesh is
/// private, and the numbering must not depend on what the input carried.
/// Negative only when the host refuses the append.
int appendFreshInt(GB_AttributeDict &dict, const char *name) {
    if (const GB_Attribute *old = dict.find(name)) dict.destroy(name, old->size, old->type);
    return dict.append(name, 4, GB_ATTRIB_INT, nullptr);
}
}  // namespace

void SOP_Flatskin::addBookkeeping(GU_Detail &work) {
    int prim_off = appendFreshInt(work.primitiveAttribs(), "primN");
    int vtx_off = appendFreshInt(work.vertexAttribs(), "vtxN");
    if (prim_off < 0 || vtx_off < 0) return;
    for (const auto &prim : work.primitives()) {
        prim->setValue<int>(prim_off, prim->getNum());
        int k = 0;
        for (GEO_Vertex &v : prim->vertices()) v.setValue<int>(vtx_off, k++);
    }
}

void SOP_Flatskin::numberPiecePoints(GU_Detail &work) {
    myPtNOffset = appendFreshInt(work.pointAttribs(), "ptN");
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
