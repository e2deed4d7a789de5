#pragma once
#include "GB/GB_Element.h"
#include "UT/UT_Vector4.h"

/// A point: a position (x, y, z, w) and an attribute block.
class GEO_Point : public GB_Element {
public:
    using GB_Element::GB_Element;
    UT_Vector4 &getPos() { return myPos; }
    const UT_Vector4 &getPos() const { return myPos; }
    void setPos(const UT_Vector4 &p) { myPos = p; }

private:
    UT_Vector4 myPos;
};
