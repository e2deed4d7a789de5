#pragma once
#include "GB/GB_AttributeDict.h"
#include "GEO_ElementList.h"
#include "GEO_Point.h"

/// The vertex attributes of a detail. It also knows the detail's point
/// list, so that a vertex need name its point only by number.
class GEO_VertexAttribDict : public GB_AttributeDict {
public:
    explicit GEO_VertexAttribDict(const GB_ElementList<GEO_Point> &points) : myPoints(&points) {}
    /// The point numbered num of the detail, or null.
    GEO_Point *point(int num) const { return (*myPoints)(num); }
    /// Drops every attribute and slot; the point list stays.
    void reset() { GB_AttributeDict::operator=(GB_AttributeDict()); }

private:
    const GB_ElementList<GEO_Point> *myPoints;
};

/// A primitive's corner: names one point and has an attribute block.
///
/// Sixteen bytes: the element's number field holds the number of the
/// point, which the vertex dictionary turns back into the point. So dict
/// must be the vertex dictionary of the detail that owns the point, and a
/// vertex has no list number of its own.
class GEO_Vertex : public GB_Element {
public:
    GEO_Vertex() = default;
    GEO_Vertex(GB_AttributeDict *dict, int slot, GEO_Point *pt) : GB_Element(dict, slot, pt ? pt->getNum() : -1) {}
    GEO_Point *getPt() const {
        return myDict ? static_cast<const GEO_VertexAttribDict *>(myDict)->point(myNum) : nullptr;
    }
    /// pt must be a point of this vertex's detail (or null).
    void setPt(GEO_Point *pt) { myNum = pt ? pt->getNum() : -1; }
};
static_assert(sizeof(GEO_Vertex) == 16);
