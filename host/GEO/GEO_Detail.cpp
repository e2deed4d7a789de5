#include "GEO_Detail.h"
#include <cstring>

GEO_Detail::GEO_Detail() {
    int slot = myDetailAttribs.newSlot();
    myDetailElement = GB_Element(&myDetailAttribs, slot, 0);
}

GEO_Detail::~GEO_Detail() = default;

GEO_Point *GEO_Detail::appendPoint(const UT_Vector4 &pos) {
    int slot = myPointAttribs.newSlot();
    GEO_Point *p = myPointPool.make(&myPointAttribs, slot, myPoints.entries());
    p->setPos(pos);
    return myPoints.append(p);
}

GEO_Point *GEO_Detail::appendPointCopy(const GEO_Point &src) {
    int slot = myPointAttribs.copySlot(src.getSlot());
    GEO_Point *np = myPointPool.make(&myPointAttribs, slot, myPoints.entries());
    np->setPos(src.getPos());
    myPoints.append(np);
    for (auto &g : myPointGroups.groups())
        if (g->contains(&src)) g->add(np);
    return np;
}

void GEO_Detail::reserveVertices(GEO_Primitive &prim, int n) {
    prim.myVerts = n > 0 ? myVertexPool.takeRun(static_cast<size_t>(n)) : nullptr;
    prim.myCount = 0;
}

GEO_Vertex &GEO_Detail::appendVertex(GEO_Primitive &prim, GEO_Point *pt) {
    int slot = myVertexAttribs.newSlot();
    // The newest run grows in place; any other moves to the top first.
    if (!myVertexPool.extendRun(prim.myVerts, prim.myCount)) {
        GEO_Vertex *run = myVertexPool.takeRun(static_cast<size_t>(prim.myCount) + 1);
        if (prim.myCount) std::memcpy(static_cast<void *>(run), prim.myVerts, prim.myCount * sizeof(GEO_Vertex));
        prim.myVerts = run;
    }
    return addVertex(prim, slot, pt);
}

void GEO_Detail::keepVertices(GEO_Primitive &prim, const int *which, int n) {
    // Gather first: an index may name a place that an earlier one fills.
    GEO_Vertex small[8];
    std::vector<GEO_Vertex> large;
    GEO_Vertex *kept = small;
    if (n > 8) {
        large.resize(static_cast<size_t>(n));
        kept = large.data();
    }
    for (int i = 0; i < n; ++i) kept[i] = prim.myVerts[which[i]];
    for (int i = 0; i < n; ++i) prim.myVerts[i] = kept[i];
    prim.myCount = static_cast<unsigned>(n);
}

GEO_PrimPoly *GEO_Detail::appendPoly(const int *pts, int n, bool closed) {
    int slot = myPrimAttribs.newSlot();
    GEO_PrimPoly *p = myPolyPool.make(&myPrimAttribs, slot, myPrims.entries());
    p->setClosed(closed);
    myPrims.append(p);
    reserveVertices(*p, n);
    for (int i = 0; i < n; ++i) addVertex(*p, myVertexAttribs.newSlot(), myPoints(pts[i]));
    return p;
}

GEO_PrimOther *GEO_Detail::appendOther(const std::string &keyword, const int *pts, int n) {
    int slot = myPrimAttribs.newSlot();
    GEO_PrimOther *p = myOtherPool.make(&myPrimAttribs, slot, myPrims.entries(), keyword);
    myPrims.append(p);
    reserveVertices(*p, n);
    for (int i = 0; i < n; ++i) addVertex(*p, myVertexAttribs.newSlot(), myPoints(pts[i]));
    return p;
}

GEO_Primitive *GEO_Detail::appendLike(const GEO_Primitive &src, int slot) {
    const int num = myPrims.entries();
    if (src.getPrimitiveId() == GEOPRIMPOLY) {
        GEO_PrimPoly *poly = myPolyPool.make(&myPrimAttribs, slot, num);
        poly->setClosed(static_cast<const GEO_PrimPoly &>(src).isClosed());
        return myPrims.append(poly);
    }
    auto &o = static_cast<const GEO_PrimOther &>(src);
    GEO_PrimOther *other = myOtherPool.make(&myPrimAttribs, slot, num, o.keyword());
    other->body = o.body;
    return myPrims.append(other);
}

GEO_Primitive *GEO_Detail::appendPrimitiveCopy(const GEO_Primitive &src) {
    int slot = myPrimAttribs.copySlot(src.getSlot());
    GEO_Primitive *p = appendLike(src, slot);
    reserveVertices(*p, static_cast<int>(src.getVertexCount()));
    for (const GEO_Vertex &v : src.vertices()) addVertex(*p, myVertexAttribs.copySlot(v.getSlot()), v.getPt());
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
    myPointAttribs.reserveSlots(myPointAttribs.slots() + src.myPoints.entries());
    for (const auto &sp : src.myPoints) {
        GEO_Point *p = appendPoint(sp->getPos());
        pmap.copy(myPointAttribs, p->getSlot(), src.myPointAttribs, sp->getSlot());
    }
    long corners = 0;
    for (const auto &sprim : src.myPrims) corners += sprim->getVertexCount();
    myPrims.reserve(prim_base + src.myPrims.entries());
    myPrimAttribs.reserveSlots(myPrimAttribs.slots() + src.myPrims.entries());
    myVertexAttribs.reserveSlots(static_cast<int>(myVertexAttribs.slots() + corners));
    for (const auto &sprim : src.myPrims) {
        int slot = myPrimAttribs.newSlot();
        primmap.copy(myPrimAttribs, slot, src.myPrimAttribs, sprim->getSlot());
        GEO_Primitive *p = appendLike(*sprim, slot);
        reserveVertices(*p, static_cast<int>(sprim->getVertexCount()));
        for (const GEO_Vertex &sv : sprim->vertices()) {
            GEO_Vertex &v = addVertex(*p, myVertexAttribs.newSlot(), myPoints(point_base + sv.getPt()->getNum()));
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
    myPolyPool.clear();
    myOtherPool.clear();
    myPointPool.clear();
    myVertexPool.clear();
    myPointGroups.clear();
    myPrimGroups.clear();
    myEdgeGroups.clear();
    myPointAttribs = GB_AttributeDict();
    myPrimAttribs = GB_AttributeDict();
    myVertexAttribs.reset();
    myDetailAttribs = GB_AttributeDict();
    int slot = myDetailAttribs.newSlot();
    myDetailElement = GB_Element(&myDetailAttribs, slot, 0);
}
