// Fuzzes the edge pattern parser (point pairs and chains, primitive edges,
// nem, edge-group names, wildcards, ^ and !) through the group manager.
#include <set>
#include <utility>
#include "GOP/GOP_Manager.h"
#include "FuzzCheck.h"
#include "PatternDetail.h"

namespace {

/// Whether points a and b are the ends of one side of prim.
bool isSideOf(const GEO_Primitive &prim, int a, int b) {
    const unsigned n = prim.getVertexCount();
    for (unsigned i = 0; i < n; ++i) {
        int p = prim.getVertex(i).getPt()->getNum(), q = prim.getVertex((i + 1) % n).getPt()->getNum();
        if ((p == a && q == b) || (p == b && q == a)) return true;
    }
    return false;
}

/// Each edge once, between two of the detail's points, on the primitive
/// it names (the "loose" group's edge is the one without a primitive).
void checkEdges(const GB_EdgeGroup *g, const GU_Detail &gdp) {
    if (!g) return;
    std::set<std::pair<int, int>> seen;
    for (const GB_Edge &e : g->edges()) {
        int a = e.p0Num(), b = e.p1Num();
        fuzzRequire(a >= 0 && b >= 0 && a < gdp.points().entries() && b < gdp.points().entries(), "edges join points");
        fuzzRequire(gdp.points()(a) == e.p0 && gdp.points()(b) == e.p1, "edges join the detail's own points");
        fuzzRequire(seen.insert({std::min(a, b), std::max(a, b)}).second, "each edge once");
        if (!e.prim) continue;
        const GEO_Primitive *prim = gdp.primitives()(e.prim->getNum());
        fuzzRequire(prim == e.prim, "an edge's primitive is the detail's");
        fuzzRequire(isSideOf(*prim, a, b), "an edge lies on its primitive");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static GU_Detail &gdp = []() -> GU_Detail & {
        static GU_Detail g;
        buildPatternDetail(g);
        return g;
    }();
    PatternInput in = patternInput(data, size);
    GOP_Manager mgr;
    checkEdges(mgr.parseEdgeGroups(in.pattern.c_str(), &gdp, true, in.offset, in.allowNumeric ? 0 : -in.offset), gdp);
    mgr.destroyAdhocGroups();
    fuzzRequire(gdp.edgeGroups().entries() == 3, "the detail keeps only its own edge groups");
    return 0;
}
