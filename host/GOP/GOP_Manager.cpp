#include "GOP_Manager.h"
#include <algorithm>
#include "GEO/GEO_Detail.h"
#include "GOP_EdgePattern.h"
#include "GOP_ElementPattern.h"

GOP_Manager::GOP_Manager() = default;

// Only forgets: the details may be gone (see the class notes).
GOP_Manager::~GOP_Manager() = default;

std::string GOP_Manager::makeName(const char *name) {
    if (name && *name) return name;
    return "adhoc" + std::to_string(myNameCounter++);
}

GB_PrimitiveGroup *GOP_Manager::createPrimitiveGroup(GEO_Detail &gdp, const char *name) {
    GB_PrimitiveGroup *g = gdp.newPrimitiveGroup(makeName(name).c_str(), true);
    myRecords.push_back({&gdp, PRIMITIVE, g});
    return g;
}

GB_PointGroup *GOP_Manager::createPointGroup(GEO_Detail &gdp, const char *name) {
    GB_PointGroup *g = gdp.newPointGroup(makeName(name).c_str(), true);
    myRecords.push_back({&gdp, POINT, g});
    return g;
}

GB_EdgeGroup *GOP_Manager::createEdgeGroup(GEO_Detail &gdp, const char *name) {
    GB_EdgeGroup *g = gdp.newEdgeGroup(makeName(name).c_str(), true);
    myRecords.push_back({&gdp, EDGE, g});
    return g;
}

void GOP_Manager::destroyRecord(const Record &r) {
    switch (r.kind) {
        case POINT:
            r.detail->pointGroups().destroy(static_cast<GB_Group *>(const_cast<void *>(r.group)));
            break;
        case PRIMITIVE:
            r.detail->primitiveGroups().destroy(static_cast<GB_Group *>(const_cast<void *>(r.group)));
            break;
        case EDGE:
            r.detail->edgeGroups().destroy(static_cast<GB_EdgeGroup *>(const_cast<void *>(r.group)));
            break;
    }
}

void GOP_Manager::destroyAdhocGroup(const GB_Group *g) {
    auto it = std::find_if(myRecords.begin(), myRecords.end(),
                           [g](const Record &r) { return r.kind != EDGE && r.group == g; });
    if (it == myRecords.end()) return;
    Record r = *it;
    myRecords.erase(it);
    destroyRecord(r);
}

void GOP_Manager::destroyAdhocGroup(const GB_EdgeGroup *g) {
    auto it = std::find_if(myRecords.begin(), myRecords.end(),
                           [g](const Record &r) { return r.kind == EDGE && r.group == g; });
    if (it == myRecords.end()) return;
    Record r = *it;
    myRecords.erase(it);
    destroyRecord(r);
}

void GOP_Manager::destroyAdhocGroups() {
    std::vector<Record> all;
    all.swap(myRecords);
    for (const Record &r : all) destroyRecord(r);
}

void GOP_Manager::destroyAdhocGroups(const GEO_Detail *gdp) {
    std::vector<Record> kept, gone;
    for (const Record &r : myRecords) (r.detail == gdp ? gone : kept).push_back(r);
    myRecords.swap(kept);
    for (const Record &r : gone) destroyRecord(r);
}

int GOP_Manager::adhocGroupCount(const GEO_Detail *gdp) const {
    return static_cast<int>(
        std::count_if(myRecords.begin(), myRecords.end(), [gdp](const Record &r) { return r.detail == gdp; }));
}

const GB_PrimitiveGroup *GOP_Manager::parsePrimitiveGroups(const char *pattern, GEO_Detail *gdp, int allow_numeric, int,
                                                           bool, int offset) {
    std::vector<char> members;
    if (!gdp || !GOPparseElementPattern(pattern, gdp->primitives().entries(), gdp->primitiveGroups(),
                                        allow_numeric != 0, offset, members))
        return nullptr;
    GB_PrimitiveGroup *g = createPrimitiveGroup(*gdp, pattern);
    for (int i = 0; i < static_cast<int>(members.size()); ++i)
        if (members[i]) g->add(i);
    return g;
}

const GB_PointGroup *GOP_Manager::parsePointGroups(const char *pattern, GEO_Detail *gdp, int allow_numeric, int, bool,
                                                   int offset) {
    std::vector<char> members;
    if (!gdp || !GOPparseElementPattern(pattern, gdp->points().entries(), gdp->pointGroups(), allow_numeric != 0,
                                        offset, members))
        return nullptr;
    GB_PointGroup *g = createPointGroup(*gdp, pattern);
    for (int i = 0; i < static_cast<int>(members.size()); ++i)
        if (members[i]) g->add(i);
    return g;
}

GB_EdgeGroup *GOP_Manager::parseEdgeGroups(const char *pattern, GEO_Detail *gdp, bool, int prim_offset, int pt_offset) {
    std::vector<GOP_EdgeEntry> edges;
    if (!gdp || !GOPparseEdgePattern(pattern, *gdp, prim_offset, pt_offset, edges)) return nullptr;
    GB_EdgeGroup *g = createEdgeGroup(*gdp, pattern);
    for (const GOP_EdgeEntry &e : edges) g->add(e.p0, e.p1, e.prim);
    return g;
}
