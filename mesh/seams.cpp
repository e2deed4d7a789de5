#include "node/SOP_Flatskin.h"
#include <vector>

namespace {
bool isSeamPoint(const GEO_Point &p, int seam_off) {
    // Compared in double precision: a point marked with 0.9 (stored as
    // 0.89999998f) is not on a seam.
    return static_cast<double>(p.getValue<float>(seam_off)) > 0.9;
}
}  // namespace

void SOP_Flatskin::seamStep(GU_Detail &gdp, GQ_Detail &view, bool cut) {
    if (!cut) mySeamEdges = nullptr;
    GB_EdgeGroup *edges = nullptr;
    // The collect-mode run sees the same seams as the cook's cut-mode run
    // (the output is the work mesh before the cut), so it gives none of
    // the messages that run already gave.
    auto report = [&](OP_ERROR severity, int code, const char *text) {
        if (!text) text = "";
        if (!cut)
            for (const OP_Message &m : messages())
                if (m.severity == severity && m.code == code && m.text == text) return;
        addSeverity(severity, code, text);
    };

    if (evalInt("useseamatt", 0, 0)) {
        UT_String name;
        evalString(name, "seamatt", 0, 0);
        appendCurrentLayer(gdp, name);
        int seam_off = gdp.pointAttribs().getOffset(name, 4, GB_ATTRIB_FLOAT);
        if (seam_off < 0) {
            report(UT_ERROR_WARNING, SOP_MESSAGE, "No seam attribute can't create seams use attribute");
            return;
        }
        std::vector<GQ_Edge *> list = view.getEdgeList();
        edges = myGroupManager.createEdgeGroup(gdp, "tmpEdgeGroup");
        for (GQ_Edge *e : list) {
            GEO_Point *a = e->org()->getPoint();
            if (!isSeamPoint(*a, seam_off)) continue;
            GEO_Point *b = e->sym()->org()->getPoint();
            if (!isSeamPoint(*b, seam_off)) continue;
            GQ_Face *left = e->quadEdge((e->quadPosition() + 3) % 4)->orgFace();
            edges->add(a, b, left ? left->getPrim() : nullptr);
        }
        if (edges->isEmpty()) {
            report(UT_ERROR_ABORT, SOP_ERR_BADGROUP, name);
            return;
        }
    } else {
        UT_String pattern;
        evalString(pattern, 1, 0, 0);
        if (!pattern.isstring()) return;
        edges = parseEdgeGroups(pattern, &gdp, true, 0, 0);
        if (!edges) {
            report(UT_ERROR_ABORT, SOP_ERR_BADGROUP, pattern);
            return;
        }
        // A well-formed pattern whose edges are not in the geometry (a typo,
        // point numbers past the end) would otherwise cut nothing in silence.
        if (cut && edges->isEmpty()) addWarning(SOP_MESSAGE, "The seam pattern names no edge");
    }
    if (cut)
        view.cusp(*edges, true);
    else
        mySeamEdges = edges;
}
