#pragma once
#include "GEO/GEO_Detail.h"

/// Geometry with the kit's higher-level operations.
class GU_Detail : public GEO_Detail {
public:
    GU_Detail() = default;

    /// Splits every closed polygon (of group, or of the whole detail) with
    /// more than max_pts vertices into triangles; only max_pts = 3 is
    /// supported. Convex polygons are split as a fan from vertex 0, concave
    /// ones by ear clipping in their best-fit plane. The polygon keeps its
    /// number as the first triangle; the other triangles are appended, each
    /// with a copy of the polygon's attributes and group memberships and,
    /// at each corner, of the vertex attributes of the polygon corner it
    /// sits on. No points are added. Open polygons and polygons of three or
    /// fewer vertices are left as they are.
    void convex(int max_pts = 3, const GB_PrimitiveGroup *group = nullptr);
};
