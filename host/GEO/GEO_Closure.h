#pragma once
#include <memory>
#include <vector>
#include "GB/GB_Group.h"
#include "GB/GB_PointRefArray.h"
#include "UT/UT_Array.h"

class GEO_Detail;
class GEO_Point;

/// Questions about which elements of a detail use which: the points used by
/// a set of primitives, the polygons that use an edge.
class GEO_Closure {
public:
    /// gdp must outlive the closure object.
    explicit GEO_Closure(GEO_Detail &gdp) : myGdp(gdp) {}

    /// A new point group holding every point used by a vertex of group's
    /// primitives. The group belongs to this object and is freed with it;
    /// it is not one of the detail's groups. Membership is by point number,
    /// so walking it visits the points in number order.
    GB_PointGroup *getPointClosure(const GB_PrimitiveGroup &group);

    /// Clears prims and fills it with the numbers of the polygons in which
    /// p0 and p1 are consecutive vertices, in either order and counting the
    /// closing edge of closed polygons; in primitive order, each once.
    /// refs must have been built on this detail after its last topology
    /// change; only the primitives it covers are looked at.
    void findPolysUsingEdge(const GEO_Point *p0, const GEO_Point *p1, UT_IntArray &prims, const GB_PointRefArray &refs);

private:
    GEO_Detail &myGdp;
    std::vector<std::unique_ptr<GB_PointGroup>> myGroups;
};
