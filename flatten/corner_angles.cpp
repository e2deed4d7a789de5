#include "node/SOP_Flatskin.h"
#include <cmath>
#include <UT/UT_Vector3.h>

float SOP_Flatskin::clampedAcos(float x) {
    if (x <= -1.0f) return static_cast<float>(std::acos(-1.0));
    if (x >= 1.0f) return 0.0f;
    return static_cast<float>(std::acos(static_cast<double>(x)));
}

/// Angle between the edges from `at` to `a` and from `at` to `b`. A
/// zero-length edge normalises to the zero vector, which gives a right
/// angle: finite, so the rows of a degenerate triangle stay finite.
static float angleAt(const UT_Vector4 &at, const UT_Vector4 &a, const UT_Vector4 &b) {
    UT_Vector3 da = a - at;
    UT_Vector3 db = b - at;
    da.normalize();
    db.normalize();
    return SOP_Flatskin::clampedAcos(da.dot(db));
}

void SOP_Flatskin::cornerAngles(const GEO_Primitive &tri, float &a0, float &a1, float &a2) {
    const UT_Vector4 &p0 = tri.getVertex(0).getPt()->getPos();
    const UT_Vector4 &p1 = tri.getVertex(1).getPt()->getPos();
    const UT_Vector4 &p2 = tri.getVertex(2).getPt()->getPos();
    a0 = angleAt(p0, p2, p1);
    a1 = angleAt(p1, p0, p2);
    a2 = angleAt(p2, p1, p0);
}
