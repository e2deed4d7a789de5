#pragma once
#include "GB/GB_AttributeDict.h"
#include "GB/GB_EdgeGroup.h"
#include "GB/GB_Group.h"
#include "GEO_ElementList.h"
#include "GEO_ElementPool.h"
#include "GEO_Point.h"
#include "GEO_Primitive.h"

using GEO_PointAttribDict = GB_AttributeDict;
using GEO_PrimAttribDict = GB_AttributeDict;
using GEO_PointList = GB_ElementList<GEO_Point>;
using GEO_PrimList = GB_ElementList<GEO_Primitive>;

/// Geometry: points, primitives with their vertices, four attribute
/// dictionaries (point, primitive, vertex, detail) and point, primitive and
/// edge groups. Elements are numbered by their place in their list and are
/// never renumbered: new points and primitives are appended at the end.
///
/// The detail owns its elements in chunked storage (GEO_ElementPool):
/// points, primitives and vertices never move once made, except that
/// appending a vertex to a primitive may move that primitive's vertices.
class GEO_Detail {
public:
    GEO_Detail();
    virtual ~GEO_Detail();
    GEO_Detail(const GEO_Detail &) = delete;
    GEO_Detail &operator=(const GEO_Detail &) = delete;

    GEO_PointList &points() { return myPoints; }
    const GEO_PointList &points() const { return myPoints; }
    GEO_PrimList &primitives() { return myPrims; }
    const GEO_PrimList &primitives() const { return myPrims; }

    GEO_PointAttribDict &pointAttribs() { return myPointAttribs; }
    const GEO_PointAttribDict &pointAttribs() const { return myPointAttribs; }
    GEO_PrimAttribDict &primitiveAttribs() { return myPrimAttribs; }
    const GEO_PrimAttribDict &primitiveAttribs() const { return myPrimAttribs; }
    GEO_VertexAttribDict &vertexAttribs() { return myVertexAttribs; }
    const GEO_VertexAttribDict &vertexAttribs() const { return myVertexAttribs; }
    /// Detail attributes: one block for the whole geometry.
    GB_AttributeDict &attribs() { return myDetailAttribs; }
    const GB_AttributeDict &attribs() const { return myDetailAttribs; }
    /// The detail's own attribute block, reached through attribs() offsets.
    GB_Element &getDetailElement() { return myDetailElement; }
    const GB_Element &getDetailElement() const { return myDetailElement; }
    template <typename T> T getDetailValue(int offset, int idx = 0) const {
        return myDetailElement.getValue<T>(offset, idx);
    }
    template <typename T> void setDetailValue(int offset, T v, int idx = 0) {
        myDetailElement.setValue<T>(offset, v, idx);
    }

    // Attribute shortcuts in the host's style.
    int addPointAttrib(const char *n, int size, GB_AttribType t, const void *def) {
        return myPointAttribs.append(n, size, t, def);
    }
    int addPrimAttrib(const char *n, int size, GB_AttribType t, const void *def) {
        return myPrimAttribs.append(n, size, t, def);
    }
    int addVertexAttrib(const char *n, int size, GB_AttribType t, const void *def) {
        return myVertexAttribs.append(n, size, t, def);
    }
    int addAttrib(const char *n, int size, GB_AttribType t, const void *def) {
        return myDetailAttribs.append(n, size, t, def);
    }

    GB_GroupList &pointGroups() { return myPointGroups; }
    const GB_GroupList &pointGroups() const { return myPointGroups; }
    GB_GroupList &primitiveGroups() { return myPrimGroups; }
    const GB_GroupList &primitiveGroups() const { return myPrimGroups; }
    GB_EdgeGroupList &edgeGroups() { return myEdgeGroups; }
    const GB_EdgeGroupList &edgeGroups() const { return myEdgeGroups; }
    GB_PointGroup *newPointGroup(const char *name, bool internal = false) {
        return static_cast<GB_PointGroup *>(myPointGroups.newGroup(name, internal));
    }
    GB_PrimitiveGroup *newPrimitiveGroup(const char *name, bool internal = false) {
        return static_cast<GB_PrimitiveGroup *>(myPrimGroups.newGroup(name, internal));
    }
    GB_EdgeGroup *newEdgeGroup(const char *name, bool internal = false) {
        return myEdgeGroups.newGroup(name, internal);
    }
    GB_PointGroup *findPointGroup(const char *name) const {
        return static_cast<GB_PointGroup *>(myPointGroups.find(name));
    }
    GB_PrimitiveGroup *findPrimitiveGroup(const char *name) const {
        return static_cast<GB_PrimitiveGroup *>(myPrimGroups.find(name));
    }
    GB_EdgeGroup *findEdgeGroup(const char *name) const { return myEdgeGroups.find(name); }

    /// A new point at pos, its attributes at their defaults.
    GEO_Point *appendPoint(const UT_Vector4 &pos = UT_Vector4(0, 0, 0, 1));
    /// A new point copying p's position, attributes and point-group
    /// memberships (p must belong to this detail).
    GEO_Point *appendPointCopy(const GEO_Point &p);
    /// A new polygon on the given point numbers (each must exist).
    GEO_PrimPoly *appendPoly(const int *pts, int n, bool closed = true);
    /// A new primitive of another type on the given point numbers.
    GEO_PrimOther *appendOther(const std::string &keyword, const int *pts, int n);
    /// Appends a vertex on pt (a point of this detail) to prim (a primitive
    /// of this detail), its attributes at their defaults. Cheap for the
    /// newest primitive; for an older one, prim's vertices move.
    GEO_Vertex &appendVertex(GEO_Primitive &prim, GEO_Point *pt);
    /// Keeps only the vertices at indices which[0..n) of prim, in that
    /// order; the others are dropped (their attribute slots stay unused).
    /// Each index must be below prim's vertex count, and n must not exceed it.
    void keepVertices(GEO_Primitive &prim, const int *which, int n);
    /// A copy of prim (type, vertices on the same points with their
    /// attributes, primitive attributes and group memberships), appended.
    GEO_Primitive *appendPrimitiveCopy(const GEO_Primitive &prim);

    /// Copies every point, primitive (with its vertices), attribute and group
    /// of src after what this detail holds, in the same order. Only the
    /// whole source is supported: prim_group must be null, and so must
    /// point_redirect. Attributes that exist on both sides with the same
    /// name, size and type are merged; others of src are added.
    void merge(const GEO_Detail &src, const GB_PrimitiveGroup *prim_group = nullptr, int merge_prim_groups = 1,
               int insert_prims_at_head = 0, const void *point_redirect = nullptr, bool keep_internal_groups = true);

    /// Removes everything: elements, attributes and groups.
    void clearAndDestroy();

private:
    /// A new, empty primitive of src's kind (polygon open or closed, or
    /// another type with its keyword and body) on slot, appended.
    GEO_Primitive *appendLike(const GEO_Primitive &src, int slot);
    /// Gives prim (with no vertices yet) a run of room for n vertices; the
    /// caller makes them in order with addVertex.
    void reserveVertices(GEO_Primitive &prim, int n);
    /// Makes the next vertex of prim in room that reserveVertices gave.
    GEO_Vertex &addVertex(GEO_Primitive &prim, int slot, GEO_Point *pt) {
        return *new (prim.myVerts + prim.myCount++) GEO_Vertex(&myVertexAttribs, slot, pt);
    }

    GEO_ElementPool<GEO_Point> myPointPool;
    GEO_ElementPool<GEO_PrimPoly> myPolyPool;
    GEO_ElementPool<GEO_PrimOther> myOtherPool;
    GEO_ElementPool<GEO_Vertex> myVertexPool;
    GEO_PointList myPoints;
    GEO_PrimList myPrims;
    GB_AttributeDict myPointAttribs, myPrimAttribs;
    GEO_VertexAttribDict myVertexAttribs{myPoints};
    GB_AttributeDict myDetailAttribs;
    GB_Element myDetailElement;
    GB_GroupList myPointGroups{true};
    GB_GroupList myPrimGroups{false};
    GB_EdgeGroupList myEdgeGroups;
};
