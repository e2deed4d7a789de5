#pragma once
#include "GEO_Point.h"

/// A primitive's corner: names one point and has an attribute block.
class GEO_Vertex : public GB_Element {
public:
    GEO_Vertex() = default;
    GEO_Vertex(GB_AttributeDict *dict, int slot, GEO_Point *pt) : GB_Element(dict, slot, -1), myPt(pt) {}
    GEO_Point *getPt() const { return myPt; }
    void setPt(GEO_Point *pt) { myPt = pt; }

private:
    GEO_Point *myPt = nullptr;
};
