#pragma once
#include <span>
#include <vector>

class GEO_Detail;
class GEO_Primitive;
class GB_PrimitiveGroup;

/// One use of a point: the primitive and the index of the vertex in it
/// that sits on the point.
struct GB_PointRef {
    GEO_Primitive *prim = nullptr;
    int vtx = -1;
};

/// For every point of a detail, the primitive vertices that sit on it.
///
/// Built once in one pass over the primitives, so that questions such as
/// "which polygons use this edge" look only at the few primitives around a
/// point instead of at the whole detail. The table is a snapshot: it goes
/// stale when vertices are moved to other points or primitives are added.
class GB_PointRefArray {
public:
    /// Collects the uses of every point by the primitives of group (every
    /// primitive when group is null). gdp must outlive the table.
    explicit GB_PointRefArray(const GEO_Detail &gdp, const GB_PrimitiveGroup *group = nullptr);

    /// Number of points covered: the detail's point count when built.
    int entries() const { return static_cast<int>(myStart.size()) - 1; }
    /// The uses of point ptnum, in primitive order and, within one
    /// primitive, in vertex order. Empty for a number out of range.
    std::span<const GB_PointRef> operator()(int ptnum) const;

private:
    std::vector<int> myStart;  // refs of point p: [myStart[p], myStart[p + 1])
    std::vector<GB_PointRef> myRefs;
};
