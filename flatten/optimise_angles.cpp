#include "node/SOP_Flatskin.h"
#include "abf_angles.h"
#include <UT/UT_Interrupt.h>

bool SOP_Flatskin::optimiseAngles(GU_Detail &work) {
    myAngles.clear();
    const char *fallback = "Angle-based flattening did not converge, using the surface angles";
    if (myPtNOffset < 0) return false;
    // The piece's triangles in the order addConformalRows walks them.
    std::vector<int> tris;
    std::vector<float> surface;
    std::vector<double> positions(3 * static_cast<std::size_t>(myPointCount), 0.0);
    const GEO_PrimList &prims = work.primitives();
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece)) {
        if (p->getVertexCount() < 3) continue;
        float a[3];
        cornerAngles(*p, a[0], a[1], a[2]);
        for (int i = 0; i < 3; ++i) {
            const GEO_Point &pt = *p->getVertex(static_cast<unsigned>(i)).getPt();
            const int k = solverIndex(pt);
            if (k < 0 || k >= myPointCount) {
                addWarning(SOP_MESSAGE, fallback);  // not a solver point: nothing to optimise
                return true;
            }
            tris.push_back(k);
            surface.push_back(a[i]);
            for (int j = 0; j < 3; ++j) positions[3 * static_cast<std::size_t>(k) + j] = pt.getPos()(j);
        }
    }
    AbfOptions options;
    // Each Newton step solves a system as large as the conformal one: a
    // user may stop between two.
    options.interrupted = [](int step) { return UTgetInterrupt()->opInterrupt(10 + (step < 9 ? step : 9)); };
    const AbfResult result = abfAngles(positions, tris, surface, myAngles, options);
    if (result.interrupted) return false;
    if (!result.converged) addWarning(SOP_MESSAGE, fallback);
    return true;
}
