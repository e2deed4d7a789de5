#include "node/SOP_Flatskin.h"
#include <nl.h>

namespace {
/// The two axes that span the piece best: u has the largest extent, v the
/// next; equal extents go to the later axis, so the choice is the same
/// every time, also when two or three extents tie.
void chooseAxes(const double extent[3], int &u_axis, int &v_axis) {
    int order[3] = {0, 1, 2};
    auto before = [&](int a, int b) { return extent[a] > extent[b] || (extent[a] == extent[b] && a > b); };
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (before(order[j], order[i])) std::swap(order[i], order[j]);
    u_axis = order[0];
    v_axis = order[1];
}
}  // namespace

void SOP_Flatskin::setDefaultPins(GU_Detail &, GU_Detail &work) {
    // The solver points are the work mesh's piece points: cut copies keep
    // their positions, so this is the piece's outline as the output has it.
    const GEO_PointList &pts = work.points();
    const GB_Group *group = myWorkPiecePoints;

    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (const GEO_Point *p = pts.rawHead(group); p; p = pts.rawNext(p, group)) {
        for (int a = 0; a < 3; ++a) {
            double x = p->getPos()(a);
            if (x < lo[a]) lo[a] = x;
            if (x > hi[a]) hi[a] = x;
        }
    }
    double extent[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    int u_axis, v_axis;
    chooseAxes(extent, u_axis, v_axis);

    UT_Matrix3 m = pinTransform(evalFloat("rotate", 0, myTime));
    double tmin = 1e30, tmax = -1e30;
    int klow = -1, khigh = -1;
    for (const GEO_Point *p = pts.rawHead(group); p; p = pts.rawNext(p, group)) {
        double t = p->getPos()(u_axis);
        double w = p->getPos()(v_axis);
        int k = solverIndex(*p);
        if (t < tmin) {
            tmin = t;
            klow = k;
        }
        if (t > tmax) {
            tmax = t;
            khigh = k;
        }
        applyPinTransform(t, w, m);
        nlSetVariable(static_cast<NLuint>(2 * k), t);
        nlSetVariable(static_cast<NLuint>(2 * k + 1), w);
    }
    // Positions that are not numbers set neither pin; never lock through one.
    if (klow < 0 || khigh < 0) return;
    nlLockVariable(static_cast<NLuint>(2 * klow));
    nlLockVariable(static_cast<NLuint>(2 * klow + 1));
    nlLockVariable(static_cast<NLuint>(2 * khigh));
    nlLockVariable(static_cast<NLuint>(2 * khigh + 1));
}
