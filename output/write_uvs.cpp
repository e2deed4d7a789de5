#include "node/SOP_Flatskin.h"
#include "fit_to_range.h"
#include <limits>
#include <nl.h>

namespace {
struct Bounds {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void add(double x) {
        if (x < lo) lo = x;
        if (x > hi) hi = x;
    }
};
}  // namespace

std::vector<SOP_Flatskin::UvTarget> SOP_Flatskin::uvTargets(GU_Detail &out, GU_Detail &work) const {
    std::vector<UvTarget> targets;
    const int prim_off = work.primitiveAttribs().getOffset("primN", 4, GB_ATTRIB_INT);
    const int vtx_off = work.vertexAttribs().getOffset("vtxN", 4, GB_ATTRIB_INT);
    if (prim_off < 0 || vtx_off < 0 || myPtNOffset < 0) return targets;
    const GEO_PrimList &prims = work.primitives();
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece)) {
        GEO_Primitive *target = out.primitives()(p->getValue<int>(prim_off));
        if (!target || (myGroup && !myGroup->contains(target))) continue;
        for (unsigned j = 0; j < p->getVertexCount(); ++j) {
            const GEO_Vertex &w = p->getVertex(j);
            const int tv = w.getValue<int>(vtx_off);
            if (tv < 0 || tv >= static_cast<int>(target->getVertexCount())) continue;
            targets.push_back({target, static_cast<unsigned>(tv), solverIndex(*w.getPt())});
        }
    }
    return targets;
}

void SOP_Flatskin::writeUVs(GU_Detail &out, const std::vector<UvTarget> &targets) {
    UT_String uvname("uv");
    appendCurrentLayer(out, uvname);
    myUVOffset = out.vertexAttribs().getOffset(uvname, 12, GB_ATTRIB_FLOAT);
    if (myUVOffset < 0) {
        const float zero[3] = {0.0f, 0.0f, 0.0f};
        myUVOffset = out.vertexAttribs().append(uvname, 12, GB_ATTRIB_FLOAT, zero);
    }
    if (myUVOffset < 0) {
        // The input holds a vertex attribute of that name with another
        // layout: it stays as it is, and so do the point uvs.
        UT_String msg("No uvs written: the vertex attribute \"");
        msg += uvname;
        msg += "\" has another size or type";
        addWarning(SOP_MESSAGE, msg);
        return;
    }
    out.pointAttribs().destroy(uvname, 12, GB_ATTRIB_FLOAT);

    const bool userange = evalInt("userange", 0, 0) != 0;
    const bool keepaspect = userange && evalInt("keepaspect", 0, 0) != 0;
    const double ur[2] = {evalFloat("urange", 0, myTime), evalFloat("urange", 1, myTime)};
    const double vr[2] = {evalFloat("vrange", 0, myTime), evalFloat("vrange", 1, myTime)};

    // The layout's own bounds, so that a fitted layout always fills the
    // whole range whatever side of zero it was solved on.
    Bounds ub, vb;
    if (userange)
        for (int k = 0; k < myPointCount; ++k) {
            ub.add(nlGetVariable(static_cast<NLuint>(2 * k)));
            vb.add(nlGetVariable(static_cast<NLuint>(2 * k + 1)));
        }

    // "keepaspect" fits both axes with one scale, so the map stays conformal.
    const double lo[2] = {ub.lo, vb.lo}, hi[2] = {ub.hi, vb.hi};
    const double to0[2] = {ur[0], vr[0]}, to1[2] = {ur[1], vr[1]};
    const AspectFit aspect = keepaspect ? fitKeepingAspect(lo, hi, to0, to1) : AspectFit{};

    for (const UvTarget &t : targets) {
        double u = nlGetVariable(static_cast<NLuint>(2 * t.k));
        double v = nlGetVariable(static_cast<NLuint>(2 * t.k + 1));
        if (keepaspect) {
            u = aspect.offset[0] + aspect.scale[0] * u;
            v = aspect.offset[1] + aspect.scale[1] * v;
        } else if (userange) {
            u = fitToRange(u, ub.lo, ub.hi, ur[0], ur[1]);
            v = fitToRange(v, vb.lo, vb.hi, vr[0], vr[1]);
        } else {
            u -= 1.0;  // take back the pin transform's shift
        }
        GEO_Vertex &tvtx = t.prim->getVertex(t.vertex);
        tvtx.setValue<float>(myUVOffset, static_cast<float>(u), 0);
        tvtx.setValue<float>(myUVOffset, static_cast<float>(v), 1);
    }
}
