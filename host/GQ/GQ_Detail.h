#pragma once
#include <memory>
#include <vector>
#include "GB/GB_EdgeGroup.h"
#include "GB/GB_Group.h"
#include "GQ_Edge.h"
#include "GQ_EdgeTable.h"

class GU_Detail;
class GEO_PrimPoly;

/// An edge view of the polygons of a detail, as quad-edge records.
///
/// There is one record per undirected edge, made in the order in which a
/// walk of the polygons (in list order, each polygon's vertices in order,
/// the closing edge of a closed polygon last) first meets the edge. The
/// record's edge at position 0 runs from the vertex to the next one in the
/// first polygon that uses it, so that polygon is the face on its left; the
/// next polygon of the walk that uses the edge is the face on its right.
/// An edge that no second polygon uses is a boundary edge: the face on its
/// right is the outside face, whose primitive is null.
///
/// Open polygons add their edges (no closing edge) and count as faces.
/// Edges from a point to itself (repeated vertices) are left out. Other
/// primitive types are not part of the view.
///
/// The view keeps pointers into the detail: it is valid until the detail's
/// topology changes by other means than cusp(). The records are made on
/// first use (and again on the first use after a cut), so a view that is
/// built but never asked, as when there is nothing to cut, costs nothing.
class GQ_Detail {
public:
    /// Builds the view of gdp's polygons in group (all when null); the
    /// group's membership is copied, so it need not outlive the view.
    /// tolerance is kept for callers (getTolerance); edges are matched by
    /// point identity, never by distance.
    explicit GQ_Detail(GU_Detail *gdp, const GB_PrimitiveGroup *group = nullptr, float tolerance = 1e-6f);
    ~GQ_Detail();
    GQ_Detail(const GQ_Detail &) = delete;
    GQ_Detail &operator=(const GQ_Detail &) = delete;

    /// The position-0 edge of every record, in record order.
    const std::vector<GQ_Edge *> &getEdgeList() const {
        ensureBuilt();
        return myEdgeList;
    }
    /// The primal edge from point a to point b (position 0 or 2), or null
    /// when the view has no edge between them.
    GQ_Edge *findEdge(int a, int b);

    /// Cuts the surface open along every edge of edges (an entry names two
    /// points and matches every edge of the view between them; entries
    /// that match none are ignored). Around each point on a cut edge, the
    /// polygon corners on the point fall into fans, joined across shared
    /// edges that are not cut, and so separated by cut edges and boundary
    /// edges. The fan holding the lowest-numbered polygon keeps the point;
    /// every other fan gets a new point (a copy of the original with its
    /// attributes and point-group memberships, appended), and the fan's
    /// vertices are moved onto it. Primitive numbers and vertex order do
    /// not change; polygons outside the view keep their points.
    ///
    /// The records are made again on next use, so edge pointers taken before
    /// are no longer valid. The only mode is the cut with new points; the
    /// flag is accepted for callers written against that signature.
    /// Returns the number of points added.
    int cusp(const GB_EdgeGroup &edges, bool flag = true);

    GU_Detail *getDetail() const { return myGdp; }
    float getTolerance() const { return myTolerance; }

private:
    void build();
    /// Makes the records unless they are current.
    void ensureBuilt() const {
        if (!myBuilt) const_cast<GQ_Detail *>(this)->build();
    }
    /// Calls visit(a, b, f) for every polygon edge of the view, from point
    /// a to point b of face f, in walk order.
    template <typename F> void forEachEdge(F &&visit) const;

    GU_Detail *myGdp;
    std::unique_ptr<GB_PrimitiveGroup> myGroup;  // null: every polygon
    float myTolerance;
    std::vector<GQ_Point> myPoints;  // by point number
    std::vector<GQ_Face> myFaces;    // the view's polygons, in list order
    GQ_Face myOutside;
    std::vector<GQ_QuadRecord> myRecords;
    std::vector<GQ_Edge *> myEdgeList;
    GQ_EdgeTable myTable;  // point pair -> record index
    bool myBuilt = false;  // the records match the detail
};
