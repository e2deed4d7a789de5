#include "node/SOP_Flatskin.h"
#include "abf_angles.h"
#include <UT/UT_Interrupt.h>

bool SOP_Flatskin::optimiseAngles(const GU_Detail &work, PieceTriangles &tris) {
    const char *fallback = "Angle-based flattening did not converge, using the surface angles";
    std::vector<double> positions(3 * static_cast<std::size_t>(myPointCount), 0.0);
    for (int k : tris.index)
        if (k < 0 || k >= myPointCount) {
            addWarning(SOP_MESSAGE, fallback);  // not a solver point: nothing to optimise
            return true;
        }
    const GEO_PointList &pts = work.points();
    for (const GEO_Point *pt = pts.rawHead(myWorkPiecePoints); pt; pt = pts.rawNext(pt, myWorkPiecePoints)) {
        const int k = solverIndex(*pt);
        if (k < 0 || k >= myPointCount) continue;
        for (int j = 0; j < 3; ++j) positions[3 * static_cast<std::size_t>(k) + j] = pt->getPos()(j);
    }
    AbfOptions options;
    // Each Newton step solves a system as large as the conformal one: a
    // user may stop between two.
    options.interrupted = [](int step) { return UTgetInterrupt()->opInterrupt(10 + (step < 9 ? step : 9)); };
    std::vector<float> angles;
    const AbfResult result = abfAngles(positions, tris.index, tris.angles, angles, options);
    if (result.interrupted) return false;
    tris.order = std::move(result.pointOrder);
    if (result.converged)
        tris.angles = std::move(angles);
    else
        addWarning(SOP_MESSAGE, fallback);
    return true;
}
