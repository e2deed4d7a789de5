#pragma once

class GEO_Primitive;

/// A face of an edge view: stands for one polygon of the detail, or, with
/// a null primitive, for the outside beyond a boundary.
class GQ_Face {
public:
    explicit GQ_Face(GEO_Primitive *prim = nullptr) : myPrim(prim) {}
    /// The polygon, or null for the outside.
    GEO_Primitive *getPrim() const { return myPrim; }

private:
    GEO_Primitive *myPrim;
};
