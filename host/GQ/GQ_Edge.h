#pragma once
#include "GQ_Face.h"
#include "GQ_Point.h"

/// One of the four directed edges of a quad-edge record.
///
/// A record stands for one undirected edge of the surface. Its positions:
/// 0 the edge itself (primal, point to point), 1 its dual (from the face on
/// its right to the face on its left), 2 its reverse, 3 the reverse dual.
/// So rot() turns an edge a quarter counter-clockwise, sym() reverses it
/// and invRot() turns it back; the origin of invRot() of a primal edge is
/// the face on that edge's left. Primal edges have a point at their origin,
/// dual edges a face.
///
/// The four edges of a record are stored next to each other, so moving
/// within a record is pointer arithmetic, with no links to keep up.
class GQ_Edge {
public:
    /// Position of this edge in its record, 0 to 3.
    int quadPosition() const { return myQuad; }
    /// The edge at position q (taken modulo 4) of this edge's record.
    GQ_Edge *quadEdge(int q) { return this + (((q % 4) + 4) % 4 - myQuad); }
    const GQ_Edge *quadEdge(int q) const { return this + (((q % 4) + 4) % 4 - myQuad); }

    GQ_Edge *rot() { return quadEdge(myQuad + 1); }
    const GQ_Edge *rot() const { return quadEdge(myQuad + 1); }
    GQ_Edge *sym() { return quadEdge(myQuad + 2); }
    const GQ_Edge *sym() const { return quadEdge(myQuad + 2); }
    GQ_Edge *invRot() { return quadEdge(myQuad + 3); }
    const GQ_Edge *invRot() const { return quadEdge(myQuad + 3); }

    /// Whether this edge joins points (positions 0 and 2) rather than faces.
    bool isPrimal() const { return (myQuad & 1) == 0; }
    /// Origin point of a primal edge; null on a dual edge.
    GQ_Point *org() const { return myPoint; }
    /// Destination point of a primal edge; null on a dual edge.
    GQ_Point *dest() const { return sym()->org(); }
    /// Origin face of a dual edge (the outside face, whose primitive is
    /// null, beyond a boundary); null on a primal edge.
    GQ_Face *orgFace() const { return myFace; }
    /// Face on the left of a primal edge; null on a dual edge.
    GQ_Face *leftFace() const { return invRot()->orgFace(); }
    /// Face on the right of a primal edge; null on a dual edge.
    GQ_Face *rightFace() const { return rot()->orgFace(); }

private:
    friend class GQ_Detail;
    GQ_Point *myPoint = nullptr;
    GQ_Face *myFace = nullptr;
    int myQuad = 0;
};

/// The four edges of one quad-edge record, in position order.
struct GQ_QuadRecord {
    GQ_Edge edges[4];
};
