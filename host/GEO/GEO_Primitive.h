#pragma once
#include <string>
#include <vector>
#include "GEO_PrimType.h"
#include "GEO_Vertex.h"

/// A primitive: an ordered list of vertices and an attribute block.
class GEO_Primitive : public GB_Element {
public:
    GEO_Primitive(GB_AttributeDict *dict, int slot, int num) : GB_Element(dict, slot, num) {}
    virtual ~GEO_Primitive() = default;

    virtual unsigned getPrimitiveId() const = 0;
    /// The primitive's own measure of its size: its area in 3D (0 when flat
    /// or degenerate).
    virtual float calcArea() const { return 0.0f; }

    unsigned getVertexCount() const { return static_cast<unsigned>(myVerts.size()); }
    GEO_Vertex &getVertex(unsigned i) { return myVerts[i]; }
    const GEO_Vertex &getVertex(unsigned i) const { return myVerts[i]; }
    std::vector<GEO_Vertex> &vertices() { return myVerts; }
    const std::vector<GEO_Vertex> &vertices() const { return myVerts; }

protected:
    std::vector<GEO_Vertex> myVerts;
};

/// A polygon, open or closed.
class GEO_PrimPoly : public GEO_Primitive {
public:
    using GEO_Primitive::GEO_Primitive;
    unsigned getPrimitiveId() const override { return GEOPRIMPOLY; }
    float calcArea() const override;
    bool isClosed() const { return myClosed; }
    void setClosed(bool c) { myClosed = c; }

private:
    bool myClosed = true;
};

/// A primitive of a type other than polygon (spheres, particles, curves, ...).
/// It keeps its file keyword and the text after its vertices, so that it
/// passes through unchanged.
class GEO_PrimOther : public GEO_Primitive {
public:
    GEO_PrimOther(GB_AttributeDict *dict, int slot, int num, std::string keyword);
    unsigned getPrimitiveId() const override { return myId; }
    const std::string &keyword() const { return myKeyword; }
    /// Text that stood between the primitive keyword and its attributes.
    std::string body;

private:
    std::string myKeyword;
    unsigned myId;
};
