#include "conformal_rows.h"
#include "node/SOP_Flatskin.h"
#include <cmath>
#include <UT/UT_Interrupt.h>
#include <nl.h>

ConformalRows conformalRows(const GEO_Primitive &tri, int pt_offset) {
    float a[3];
    SOP_Flatskin::cornerAngles(tri, a[0], a[1], a[2]);
    int index[3];
    for (int i = 0; i < 3; ++i) index[i] = tri.getVertex(i).getPt()->getValue<int>(pt_offset);
    return conformalRowsOfAngles(a, index);
}

ConformalRows conformalRowsOfAngles(const float a[3], const int index[3]) {
    float s[3];
    for (int i = 0; i < 3; ++i) s[i] = static_cast<float>(std::sin(static_cast<double>(a[i])));

    // A cyclic shift keeps the orientation; with the largest sine third the
    // ratio divides by a small sine only for a degenerate triangle.
    ConformalRows rows;
    int *c = rows.corner;
    if (s[2] >= s[0] && s[2] >= s[1]) {
        c[0] = 0;
        c[1] = 1;
        c[2] = 2;
    } else if (s[0] >= s[1]) {
        c[0] = 1;
        c[1] = 2;
        c[2] = 0;
    } else {
        c[0] = 2;
        c[1] = 0;
        c[2] = 1;
    }
    float r = (s[c[2]] == 0.0f) ? 1.0f : s[c[1]] / s[c[2]];
    float cos0 = static_cast<float>(std::cos(static_cast<double>(a[c[0]])));
    float Cr = cos0 * r;
    float Sr = s[c[0]] * r;

    int k[3];
    for (int i = 0; i < 3; ++i) k[i] = index[c[i]];
    const int re[5] = {2 * k[0], 2 * k[0] + 1, 2 * k[1], 2 * k[1] + 1, 2 * k[2]};
    const int im[5] = {2 * k[0], 2 * k[0] + 1, 2 * k[1], 2 * k[1] + 1, 2 * k[2] + 1};
    const double vre[5] = {static_cast<double>(Cr) - 1.0, -Sr, -Cr, Sr, 1.0};
    const double vim[5] = {Sr, static_cast<double>(Cr) - 1.0, -Sr, -Cr, 1.0};
    for (int i = 0; i < 5; ++i) {
        rows.index[0][i] = re[i];
        rows.index[1][i] = im[i];
        rows.value[0][i] = vre[i];
        rows.value[1][i] = vim[i];
    }
    return rows;
}

SOP_Flatskin::PieceTriangles SOP_Flatskin::pieceTriangles(const GU_Detail &work) const {
    PieceTriangles tris;
    if (myPtNOffset < 0) return tris;
    const GEO_PrimList &prims = work.primitives();
    // Sized exactly: grown by doubling, the arrays would hold up to twice
    // their size at the cook's peak, which this step is.
    std::size_t corners = 0;
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece))
        if (p->getVertexCount() >= 3) corners += 3;
    tris.index.reserve(corners);
    tris.angles.reserve(corners);
    for (const GEO_Primitive *p = prims.rawHead(myWorkPiece); p; p = prims.rawNext(p, myWorkPiece)) {
        // A polygon of fewer than three vertices has no angles to keep.
        if (p->getVertexCount() < 3) continue;
        float a[3];
        cornerAngles(*p, a[0], a[1], a[2]);
        for (unsigned i = 0; i < 3; ++i) {
            tris.index.push_back(solverIndex(*p->getVertex(i).getPt()));
            tris.angles.push_back(a[i]);
        }
    }
    return tris;
}

void SOP_Flatskin::addConformalRows(const PieceTriangles &tris) {
    const std::size_t count = tris.index.size() / 3;
    for (std::size_t t = 0; t < count; ++t) {
        // Large pieces take a while: let the user stop here (the cook then
        // sees the interruption and solves nothing).
        if (((t + 1) & 0xFFFF) == 0 && UTgetInterrupt()->opInterrupt(10 + static_cast<int>(10 * (t + 1) / count)))
            return;
        const ConformalRows rows = conformalRowsOfAngles(&tris.angles[3 * t], &tris.index[3 * t]);
        for (int row = 0; row < 2; ++row) {
            nlBegin(NL_ROW);
            for (int i = 0; i < 5; ++i) nlCoefficient(static_cast<NLuint>(rows.index[row][i]), rows.value[row][i]);
            nlEnd(NL_ROW);
        }
    }
}
