#include "node/SOP_Flatskin.h"
#include <nl.h>
#include <vector>

static UT_FloatArray theLivePinUVs;

UT_FloatArray &flatskinLivePinUVs() { return theLivePinUVs; }

namespace {
/// The work-mesh point under the corner that came from vertex q of output
/// primitive p, or null. Cuts may have moved that corner to a new point,
/// so the corner is found through "primN" and "vtxN" rather than by the
/// output point's number.
const GEO_Point *workPointOfVertex(const GU_Detail &work, int p, int q) {
    int prim_off = work.primitiveAttribs().getOffset("primN", 4, GB_ATTRIB_INT);
    int vtx_off = work.vertexAttribs().getOffset("vtxN", 4, GB_ATTRIB_INT);
    if (prim_off < 0 || vtx_off < 0) return nullptr;
    // The polygon keeps its number as its first triangle; the others were
    // appended after the original primitives.
    auto search = [&](const GEO_Primitive *prim) -> const GEO_Point * {
        if (!prim || prim->getValue<int>(prim_off) != p) return nullptr;
        for (const GEO_Vertex &v : prim->vertices())
            if (v.getValue<int>(vtx_off) == q) return v.getPt();
        return nullptr;
    };
    if (const GEO_Point *pt = search(work.primitives()(p))) return pt;
    for (const auto &prim : work.primitives())
        if (const GEO_Point *pt = search(prim.get())) return pt;
    return nullptr;
}

int clampIndex(int i, int count) {
    if (i <= 0) return 0;
    return i >= count ? count - 1 : i;
}

/// A pinned solver point and the (transformed) uv it is held at.
struct PinTarget {
    int k;
    double u, v;
};

/// Records that point k is held at (u, v); a later pin of the same point
/// replaces the earlier one's uv.
void setTarget(std::vector<PinTarget> &targets, int k, double u, double v) {
    for (PinTarget &t : targets)
        if (t.k == k) {
            t.u = u;
            t.v = v;
            return;
        }
    targets.push_back({k, u, v});
}

/// Whether the targets fix a similarity of the plane: two distinct points
/// held at two different uvs. With fewer, the conformal system is rank
/// deficient or collapses the piece to a point.
bool fixesLayout(const std::vector<PinTarget> &targets) {
    for (const PinTarget &t : targets)
        if (t.u != targets.front().u || t.v != targets.front().v) return true;
    return false;
}
}  // namespace

void SOP_Flatskin::setupPins(GU_Detail &out, GU_Detail &work) {
    int enabled = 0;
    for (int j = 1; j <= evalInt("npins", 0, 0); ++j)
        if (evalIntInst("enable#", &j, 0, 0, 1)) ++enabled;

    myLivePins = false;
    if (enabled < 2) {
        setDefaultPins(out, work);
        addWarning(SOP_MESSAGE, "No pins defined, calculating default pins");
        return;
    }

    UT_Matrix3 m = pinTransform(evalFloat("rotate", 0, myTime));
    UT_String uvname("uv");
    appendCurrentLayer(out, uvname);
    int uv_off = out.vertexAttribs().getOffset(uvname, 12, GB_ATTRIB_FLOAT);
    bool live = evalInt("livepins", 0, 0) != 0;

    // Pinned points are locked only once all pins are read, when it is
    // known that they fix the layout.
    std::vector<PinTarget> targets;
    for (int j = 1; j <= evalInt("npins", 0, 0); ++j) {
        if (!evalIntInst("enable#", &j, 0, 0, 1)) continue;
        int nprims = out.primitives().entries();
        if (nprims == 0) continue;
        int p = clampIndex(evalIntInst("pin#", &j, 0, 0, 1), nprims);
        const GEO_Primitive &prim = *out.primitives()(p);
        if (prim.getVertexCount() == 0) continue;
        int q = clampIndex(evalIntInst("pin#", &j, 1, 0, 1), static_cast<int>(prim.getVertexCount()));

        const GEO_Point *wpt = workPointOfVertex(work, p, q);
        bool in_piece = wpt && (!myWorkPiecePoints || myWorkPiecePoints->contains(wpt));
        int k = in_piece ? solverIndex(*wpt) : -1;

        double u = 0.0, v = 0.0;
        if (in_piece) {
            if (uv_off >= 0) {
                myLivePins = true;
                const GEO_Vertex &vtx = prim.getVertex(static_cast<unsigned>(q));
                u = vtx.getValue<float>(uv_off, 0);
                v = vtx.getValue<float>(uv_off, 1);
                theLivePinUVs(2 * j) = static_cast<float>(u);
                theLivePinUVs(2 * j + 1) = static_cast<float>(v);
            }
        }
        // Without input UVs live pins have no source: the pin's own UV is
        // the only defined value.
        if (!live || uv_off < 0) {
            u = evalFloatInst("pinuv#", &j, 0, 0, 1);
            v = evalFloatInst("pinuv#", &j, 1, 0, 1);
        }
        if (in_piece) {
            applyPinTransform(u, v, m);
            setTarget(targets, k, u, v);
        }
    }
    // Pins that cannot fix the layout would leave it to the solver's start
    // values: the default pins take over, as for fewer than two pins. With
    // no pin in the piece the warning below says enough.
    if (!fixesLayout(targets)) {
        setDefaultPins(out, work);
        if (!targets.empty())
            addWarning(SOP_MESSAGE,
                       "Pins do not fix the layout (need two pinned points with different uvs in the piece), "
                       "calculating default pins");
    } else {
        for (const PinTarget &t : targets) {
            nlLockVariable(static_cast<NLuint>(2 * t.k));
            nlLockVariable(static_cast<NLuint>(2 * t.k + 1));
            nlSetVariable(static_cast<NLuint>(2 * t.k), t.u);
            nlSetVariable(static_cast<NLuint>(2 * t.k + 1), t.v);
        }
    }
    if (!myLivePins) addWarning(SOP_MESSAGE, "No input uvs, can't use live pin uvs");
}
