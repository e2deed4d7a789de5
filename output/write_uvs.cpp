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

std::vector<int> SOP_Flatskin::uvTargets(const GU_Detail &out, const GU_Detail &work) const {
    const int prim_off = work.primitiveAttribs().getOffset("primN", 4, GB_ATTRIB_INT);
    const int vtx_off = work.vertexAttribs().getOffset("vtxN", 4, GB_ATTRIB_INT);
    if (prim_off < 0 || vtx_off < 0 || myPtNOffset < 0) return {};
    // Where each output primitive's vertices start in the list of all.
    const GEO_PrimList &outPrims = out.primitives();
    std::vector<std::size_t> first(static_cast<std::size_t>(outPrims.entries()) + 1, 0);
    for (int i = 0; i < outPrims.entries(); ++i)
        first[static_cast<std::size_t>(i) + 1] = first[static_cast<std::size_t>(i)] + outPrims(i)->getVertexCount();
    std::vector<int> targets(first.back(), -1);
    const GEO_PrimList &prims = work.primitives();
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece)) {
        const int n = p->getValue<int>(prim_off);
        const GEO_Primitive *target = outPrims(n);
        if (!target || (myGroup && !myGroup->contains(target))) continue;
        for (unsigned j = 0; j < p->getVertexCount(); ++j) {
            const GEO_Vertex &w = p->getVertex(j);
            const int tv = w.getValue<int>(vtx_off);
            if (tv < 0 || tv >= static_cast<int>(target->getVertexCount())) continue;
            targets[first[static_cast<std::size_t>(n)] + static_cast<std::size_t>(tv)] = solverIndex(*w.getPt());
        }
    }
    return targets;
}

void SOP_Flatskin::writeUVs(GU_Detail &out, const std::vector<int> &targets) {
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

    std::size_t at = 0;
    for (const auto &prim : out.primitives())
        for (GEO_Vertex &tvtx : prim->vertices()) {
            const int k = at < targets.size() ? targets[at] : -1;
            ++at;
            if (k < 0) continue;
            double u = nlGetVariable(static_cast<NLuint>(2 * k));
            double v = nlGetVariable(static_cast<NLuint>(2 * k + 1));
            if (keepaspect) {
                u = aspect.offset[0] + aspect.scale[0] * u;
                v = aspect.offset[1] + aspect.scale[1] * v;
            } else if (userange) {
                u = fitToRange(u, ub.lo, ub.hi, ur[0], ur[1]);
                v = fitToRange(v, vb.lo, vb.hi, vr[0], vr[1]);
            } else {
                u -= 1.0;  // take back the pin transform's shift
            }
            tvtx.setValue<float>(myUVOffset, static_cast<float>(u), 0);
            tvtx.setValue<float>(myUVOffset, static_cast<float>(v), 1);
        }
}
