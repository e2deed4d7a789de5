#include "node/SOP_Flatskin.h"
#include <cmath>
#include <UT/UT_Vector3.h>

float SOP_Flatskin::clampedAcos(float x) {
    if (x <= -1.0f) return static_cast<float>(std::acos(-1.0));
    if (x >= 1.0f) return 0.0f;
    return static_cast<float>(std::acos(static_cast<double>(x)));
}

/// Angle between the unit (or zero) edge directions u and v leaving a
/// corner. A zero-length edge normalises to the zero vector, which gives a
/// right angle: finite, so the rows of a degenerate triangle stay finite.
static float angleBetween(const UT_Vector3 &u, const UT_Vector3 &v) { return SOP_Flatskin::clampedAcos(u.dot(v)); }

static UT_Vector3 negated(const UT_Vector3 &u) { return {-u.x(), -u.y(), -u.z()}; }

void SOP_Flatskin::cornerAngles(const GEO_Primitive &tri, float &a0, float &a1, float &a2) {
    const UT_Vector4 &p0 = tri.getVertex(0).getPt()->getPos();
    const UT_Vector4 &p1 = tri.getVertex(1).getPt()->getPos();
    const UT_Vector4 &p2 = tri.getVertex(2).getPt()->getPos();
    // Each edge normalised once: a - b is exactly -(b - a), and so are its
    // normalisation and its dot products, so the two corners of an edge
    // share it without changing a bit.
    UT_Vector3 e01 = p1 - p0, e12 = p2 - p1, e20 = p0 - p2;
    e01.normalize();
    e12.normalize();
    e20.normalize();
    a0 = angleBetween(negated(e20), e01);
    a1 = angleBetween(negated(e01), e12);
    a2 = angleBetween(negated(e12), e20);
}
