#pragma once
#include <span>
#include <string>
#include "GEO_PrimType.h"
#include "GEO_Vertex.h"

class GEO_Detail;

/// A primitive: an ordered list of vertices and an attribute block.
///
/// The vertices live in a run of the detail's vertex storage; the
/// primitive holds where the run starts and how long it is. A primitive
/// has no virtual functions: its type is a stored id, so a polygon costs
/// 32 bytes besides its vertices.
class GEO_Primitive : public GB_Element {
public:
    unsigned getPrimitiveId() const { return myId == kOther ? static_cast<unsigned>(GEOPRIMOTHER) : myId; }
    /// The primitive's own measure of its size: for a closed polygon its
    /// area in 3D (0 when flat or degenerate); 0 for other types.
    float calcArea() const;

    unsigned getVertexCount() const { return myCount; }
    GEO_Vertex &getVertex(unsigned i) { return myVerts[i]; }
    const GEO_Vertex &getVertex(unsigned i) const { return myVerts[i]; }
    /// The vertices in order (range-for, size(), operator[]). Vertex
    /// references stay valid until a vertex is appended to this primitive.
    std::span<GEO_Vertex> vertices() { return {myVerts, myCount}; }
    std::span<const GEO_Vertex> vertices() const { return {myVerts, myCount}; }

protected:
    GEO_Primitive(GB_AttributeDict *dict, int slot, int num, unsigned id, bool poly)
        : GB_Element(dict, slot, num), myId(static_cast<unsigned short>(id == GEOPRIMOTHER ? kOther : id)),
          myPoly(poly) {}

private:
    // Every id but GEOPRIMOTHER fits in 16 bits; that one is stored as kOther.
    static constexpr unsigned short kOther = 0xFFFF;
    friend class GEO_Detail;
    GEO_Vertex *myVerts = nullptr;  // myCount vertices in the detail's storage
    unsigned myCount = 0;
    unsigned short myId;

protected:
    bool myPoly;  // made as a GEO_PrimPoly
    bool myClosed = true;
};

/// A polygon, open or closed.
class GEO_PrimPoly : public GEO_Primitive {
public:
    GEO_PrimPoly(GB_AttributeDict *dict, int slot, int num) : GEO_Primitive(dict, slot, num, GEOPRIMPOLY, true) {}
    bool isClosed() const { return myClosed; }
    void setClosed(bool c) { myClosed = c; }
};
static_assert(sizeof(GEO_PrimPoly) == 32);

/// A primitive of a type other than polygon (spheres, particles, curves, ...).
/// It keeps its file keyword and the text after its vertices, so that it
/// passes through unchanged.
class GEO_PrimOther : public GEO_Primitive {
public:
    GEO_PrimOther(GB_AttributeDict *dict, int slot, int num, std::string keyword);
    const std::string &keyword() const { return myKeyword; }
    /// Text that stood between the primitive keyword and its attributes.
    std::string body;

private:
    std::string myKeyword;
};
