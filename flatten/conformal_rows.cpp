#include "node/SOP_Flatskin.h"
#include <cmath>
#include <UT/UT_Interrupt.h>
#include <nl.h>

namespace {
/// Adds one row: five (variable, coefficient) pairs, right-hand side 0.
void addRow(const int (&index)[5], const double (&value)[5]) {
    nlBegin(NL_ROW);
    for (int i = 0; i < 5; ++i) nlCoefficient(static_cast<NLuint>(index[i]), value[i]);
    nlEnd(NL_ROW);
}
} // namespace

/// The two rows of one triangle: the real and imaginary parts of
/// (z2 - z0) - r e^(i a0) (z1 - z0) = 0, with the corners shifted so that
/// the largest sine sits on corner 2 (the ratio then never divides by a
/// small sine unless the triangle is degenerate).
static void addTriangleRows(const GEO_Primitive &tri, int pt_offset) {
    float a[3];
    SOP_Flatskin::cornerAngles(tri, a[0], a[1], a[2]);
    float s[3];
    for (int i = 0; i < 3; ++i) s[i] = static_cast<float>(std::sin(a[i]));

    int c[3] = {0, 1, 2};
    if (s[2] >= s[0] && s[2] >= s[1]) {
    } else if (s[0] >= s[1]) {
        c[0] = 1; c[1] = 2; c[2] = 0;
    } else {
        c[0] = 2; c[1] = 0; c[2] = 1;
    }
    float r = (s[c[2]] == 0.0f) ? 1.0f : s[c[1]] / s[c[2]];
    float cos0 = static_cast<float>(std::cos(a[c[0]]));
    float Cr = cos0 * r;
    float Sr = s[c[0]] * r;

    int k[3];
    for (int i = 0; i < 3; ++i) k[i] = tri.getVertex(c[i]).getPt()->getValue<int>(pt_offset);

    addRow({2 * k[0], 2 * k[0] + 1, 2 * k[1], 2 * k[1] + 1, 2 * k[2]},
           {static_cast<double>(Cr) - 1.0, -Sr, -Cr, Sr, 1.0});
    addRow({2 * k[0], 2 * k[0] + 1, 2 * k[1], 2 * k[1] + 1, 2 * k[2] + 1},
           {Sr, static_cast<double>(Cr) - 1.0, -Sr, -Cr, 1.0});
}

void SOP_Flatskin::addConformalRows(GU_Detail &work) {
    if (myPtNOffset < 0) return;
    const GEO_PrimList &prims = work.primitives();
    const int count = prims.entries();
    int walked = 0;
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece)) {
        // Large pieces take a while: let the user stop here (the cook then
        // sees the interruption and solves nothing).
        if ((++walked & 0xFFFF) == 0 && UTgetInterrupt()->opInterrupt(10 + 10 * walked / count)) return;
        // A polygon of fewer than three vertices has no angles to keep.
        if (p->getVertexCount() < 3) continue;
        addTriangleRows(*p, myPtNOffset);
    }
}
