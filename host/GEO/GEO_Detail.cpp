#include "GEO_Detail.h"
#include <cstring>

GEO_Detail::GEO_Detail() {
    int slot = myDetailAttribs.newSlot();
    myDetailElement = GB_Element(&myDetailAttribs, slot, 0);
}

GEO_Detail::~GEO_Detail() = default;

GEO_Point *GEO_Detail::appendPoint(const UT_Vector4 &pos) {
    int slot = myPointAttribs.newSlot();
    auto p = std::make_unique<GEO_Point>(&myPointAttribs, slot, myPoints.entries());
    p->setPos(pos);
    return myPoints.append(std::move(p));
}

GEO_Point *GEO_Detail::appendPointCopy(const GEO_Point &src) {
    int slot = myPointAttribs.copySlot(src.getSlot());
    auto p = std::make_unique<GEO_Point>(&myPointAttribs, slot, myPoints.entries());
    p->setPos(src.getPos());
    GEO_Point *np = myPoints.append(std::move(p));
    for (auto &g : myPointGroups.groups())
        if (g->contains(&src)) g->add(np);
    return np;
}

GEO_Vertex &GEO_Detail::appendVertex(GEO_Primitive &prim, GEO_Point *pt) {
    int slot = myVertexAttribs.newSlot();
    prim.vertices().emplace_back(&myVertexAttribs, slot, pt);
    return prim.vertices().back();
}

GEO_PrimPoly *GEO_Detail::appendPoly(const int *pts, int n, bool closed) {
    int slot = myPrimAttribs.newSlot();
    auto prim = std::make_unique<GEO_PrimPoly>(&myPrimAttribs, slot, myPrims.entries());
    prim->setClosed(closed);
    prim->vertices().reserve(n);
    GEO_PrimPoly *p = static_cast<GEO_PrimPoly *>(myPrims.append(std::move(prim)));
    for (int i = 0; i < n; ++i) appendVertex(*p, myPoints(pts[i]));
    return p;
}

GEO_PrimOther *GEO_Detail::appendOther(const std::string &keyword, const int *pts, int n) {
    int slot = myPrimAttribs.newSlot();
    auto prim = std::make_unique<GEO_PrimOther>(&myPrimAttribs, slot, myPrims.entries(), keyword);
    GEO_PrimOther *p = static_cast<GEO_PrimOther *>(myPrims.append(std::move(prim)));
    for (int i = 0; i < n; ++i) appendVertex(*p, myPoints(pts[i]));
    return p;
}

namespace {
/// An empty primitive of src's kind (polygon open or closed, or another
/// type with its keyword and body) on the given attribute slot.
std::unique_ptr<GEO_Primitive> newPrimitiveLike(const GEO_Primitive &src, GB_AttributeDict *dict, int slot, int num) {
    if (src.getPrimitiveId() == GEOPRIMPOLY) {
        auto poly = std::make_unique<GEO_PrimPoly>(dict, slot, num);
        poly->setClosed(static_cast<const GEO_PrimPoly &>(src).isClosed());
        return poly;
    }
    auto &o = static_cast<const GEO_PrimOther &>(src);
    auto other = std::make_unique<GEO_PrimOther>(dict, slot, num, o.keyword());
    other->body = o.body;
    return other;
}
}  // namespace

GEO_Primitive *GEO_Detail::appendPrimitiveCopy(const GEO_Primitive &src) {
    int slot = myPrimAttribs.copySlot(src.getSlot());
    GEO_Primitive *p = myPrims.append(newPrimitiveLike(src, &myPrimAttribs, slot, myPrims.entries()));
    for (const GEO_Vertex &v : src.vertices()) {
        int vslot = myVertexAttribs.copySlot(v.getSlot());
        p->vertices().emplace_back(&myVertexAttribs, vslot, v.getPt());
    }
    for (auto &g : myPrimGroups.groups())
        if (g->contains(&src)) g->add(p);
    return p;
}

namespace {
/// Pairs of (source offset, destination offset, size) for one dictionary.
struct AttribMap {
    struct Entry {
        int from, to, size;
    };
    std::vector<Entry> entries;

    void build(GB_AttributeDict &dst, const GB_AttributeDict &src) {
        for (const GB_Attribute &a : src.attributes()) {
            int off = dst.append(a.name.c_str(), a.size, a.type, a.defaults.data());
            if (off < 0) continue;  // same name with another size or type: not merged
            GB_Attribute *d = dst.find(a.name.c_str());
            if (d && d->strings.empty()) d->strings = a.strings;
            entries.push_back({a.offset, off, a.size});
        }
    }
    void copy(GB_AttributeDict &dst, int dslot, const GB_AttributeDict &src, int sslot) const {
        unsigned char *d = dst.block(dslot);
        const unsigned char *s = src.block(sslot);
        for (const Entry &e : entries) std::memcpy(d + e.to, s + e.from, e.size);
    }
};
}  // namespace

void GEO_Detail::merge(const GEO_Detail &src, const GB_PrimitiveGroup *, int merge_prim_groups, int, const void *,
                       bool keep_internal_groups) {
    if (&src == this) return;
    AttribMap pmap, primmap, vmap, dmap;
    pmap.build(myPointAttribs, src.myPointAttribs);
    primmap.build(myPrimAttribs, src.myPrimAttribs);
    vmap.build(myVertexAttribs, src.myVertexAttribs);
    dmap.build(myDetailAttribs, src.myDetailAttribs);
    dmap.copy(myDetailAttribs, myDetailElement.getSlot(), src.myDetailAttribs, src.myDetailElement.getSlot());

    const int point_base = myPoints.entries();
    const int prim_base = myPrims.entries();
    myPoints.reserve(point_base + src.myPoints.entries());
    myPointAttribs.reserveSlots(point_base + src.myPoints.entries());
    for (const auto &sp : src.myPoints) {
        GEO_Point *p = appendPoint(sp->getPos());
        pmap.copy(myPointAttribs, p->getSlot(), src.myPointAttribs, sp->getSlot());
    }
    myPrims.reserve(prim_base + src.myPrims.entries());
    for (const auto &sprim : src.myPrims) {
        int slot = myPrimAttribs.newSlot();
        primmap.copy(myPrimAttribs, slot, src.myPrimAttribs, sprim->getSlot());
        GEO_Primitive *p = myPrims.append(newPrimitiveLike(*sprim, &myPrimAttribs, slot, myPrims.entries()));
        p->vertices().reserve(sprim->getVertexCount());
        for (const GEO_Vertex &sv : sprim->vertices()) {
            GEO_Vertex &v = appendVertex(*p, myPoints(point_base + sv.getPt()->getNum()));
            vmap.copy(myVertexAttribs, v.getSlot(), src.myVertexAttribs, sv.getSlot());
        }
    }

    auto copyGroups = [&](GB_GroupList &dst, const GB_GroupList &from, int base) {
        for (const auto &g : from.groups()) {
            if (g->getInternal() && !keep_internal_groups) continue;
            GB_Group *d = g->getInternal()
                              ? dst.newGroup(g->getName(), true)
                              : (dst.find(g->getName()) ? dst.find(g->getName()) : dst.newGroup(g->getName()));
            for (int i = g->nextMember(0); i >= 0; i = g->nextMember(i + 1)) d->add(base + i);
        }
    };
    copyGroups(myPointGroups, src.myPointGroups, point_base);
    if (merge_prim_groups) copyGroups(myPrimGroups, src.myPrimGroups, prim_base);
    for (const auto &g : src.myEdgeGroups.groups()) {
        if (g->getInternal() && !keep_internal_groups) continue;
        GB_EdgeGroup *d = g->getInternal() ? myEdgeGroups.newGroup(g->getName(), true)
                                           : (myEdgeGroups.find(g->getName()) ? myEdgeGroups.find(g->getName())
                                                                              : myEdgeGroups.newGroup(g->getName()));
        for (const GB_Edge &e : g->edges())
            d->add(myPoints(point_base + e.p0Num()), myPoints(point_base + e.p1Num()),
                   e.prim ? myPrims(prim_base + e.prim->getNum()) : nullptr);
    }
}

void GEO_Detail::clearAndDestroy() {
    myPrims.clear();
    myPoints.clear();
    myPointGroups.clear();
    myPrimGroups.clear();
    myEdgeGroups.clear();
    myPointAttribs = GB_AttributeDict();
    myPrimAttribs = GB_AttributeDict();
    myVertexAttribs = GB_AttributeDict();
    myDetailAttribs = GB_AttributeDict();
    int slot = myDetailAttribs.newSlot();
    myDetailElement = GB_Element(&myDetailAttribs, slot, 0);
}
