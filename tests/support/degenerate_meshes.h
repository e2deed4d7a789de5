#pragma once
// Broken and degenerate geometry for the cook: each builder appends to a
// detail, so cases can combine a sound grid with one defect.
#include <cmath>
#include <limits>
#include <vector>

#include "support/flatskin_fixture.h"

namespace fs_test {

inline int addPoint(GU_Detail &g, float x, float y, float z = 0.0f) {
    return g.appendPoint(UT_Vector4(x, y, z, 1))->getNum();
}

/// Moves point p of g to (x, y, z).
inline void movePoint(GU_Detail &g, int p, float x, float y, float z) { g.points()(p)->setPos(UT_Vector4(x, y, z, 1)); }

/// A closed polygon of n points around a circle in z = 0; every other point
/// pulled in to inner * r, so the outline is a star (concave) unless inner
/// is 1. Returns the polygon.
inline GEO_PrimPoly *addStarPolygon(GU_Detail &g, int n, float r = 1.0f, float inner = 1.0f) {
    std::vector<int> pts(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * i / n;
        const double rr = (i % 2) ? r * inner : r;
        pts[i] = addPoint(g, static_cast<float>(rr * std::cos(a)), static_cast<float>(rr * std::sin(a)));
    }
    return addPoly(g, pts);
}

/// A comb: a closed polygon of 4 * teeth + 2 points whose outline runs up
/// and down teeth of height h, strongly concave everywhere.
inline GEO_PrimPoly *addCombPolygon(GU_Detail &g, int teeth, float h = 1.0f) {
    std::vector<int> pts;
    const float w = 1.0f / teeth;
    for (int i = 0; i < teeth; ++i) {
        const float x = i * w;
        pts.push_back(addPoint(g, x, 0.0f));
        pts.push_back(addPoint(g, x, h));
        pts.push_back(addPoint(g, x + 0.5f * w, h));
        pts.push_back(addPoint(g, x + 0.5f * w, 0.0f));
    }
    pts.push_back(addPoint(g, 1.0f, 0.0f));
    pts.push_back(addPoint(g, 1.0f, -0.5f * h));
    // Close along the bottom back to x = 0.
    pts.push_back(addPoint(g, 0.0f, -0.5f * h));
    return addPoly(g, pts);
}

/// Gives g a vertex uv attribute holding (0.25, 0.75, 0) everywhere, so a
/// cook that writes nothing can be told apart from one that writes.
inline void addMarkerUVs(GU_Detail &g) {
    const float marker[3] = {0.25f, 0.75f, 0.0f};
    g.vertexAttribs().append("uv", 12, GB_ATTRIB_FLOAT, marker);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

}  // namespace fs_test
