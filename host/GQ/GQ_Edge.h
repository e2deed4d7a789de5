#pragma once
#include <cstdint>
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
/// within a record is pointer arithmetic, with no links to keep up. An edge
/// is one pointer (its origin point or face): records are aligned to their
/// size, so an edge's position follows from its address.
class GQ_Edge {
public:
    /// Position of this edge in its record, 0 to 3.
    int quadPosition() const { return static_cast<int>((reinterpret_cast<uintptr_t>(this) / sizeof(GQ_Edge)) & 3); }
    /// The edge at position q (taken modulo 4) of this edge's record.
    GQ_Edge *quadEdge(int q) { return this + (((q % 4) + 4) % 4 - quadPosition()); }
    const GQ_Edge *quadEdge(int q) const { return this + (((q % 4) + 4) % 4 - quadPosition()); }

    GQ_Edge *rot() { return quadEdge(quadPosition() + 1); }
    const GQ_Edge *rot() const { return quadEdge(quadPosition() + 1); }
    GQ_Edge *sym() { return quadEdge(quadPosition() + 2); }
    const GQ_Edge *sym() const { return quadEdge(quadPosition() + 2); }
    GQ_Edge *invRot() { return quadEdge(quadPosition() + 3); }
    const GQ_Edge *invRot() const { return quadEdge(quadPosition() + 3); }

    /// Whether this edge joins points (positions 0 and 2) rather than faces.
    bool isPrimal() const { return (quadPosition() & 1) == 0; }
    /// Origin point of a primal edge; null on a dual edge.
    GQ_Point *org() const { return isPrimal() ? myPoint : nullptr; }
    /// Destination point of a primal edge; null on a dual edge.
    GQ_Point *dest() const { return sym()->org(); }
    /// Origin face of a dual edge (the outside face, whose primitive is
    /// null, beyond a boundary); null on a primal edge.
    GQ_Face *orgFace() const { return isPrimal() ? nullptr : myFace; }
    /// Face on the left of a primal edge; null on a dual edge.
    GQ_Face *leftFace() const { return invRot()->orgFace(); }
    /// Face on the right of a primal edge; null on a dual edge.
    GQ_Face *rightFace() const { return rot()->orgFace(); }

private:
    friend class GQ_Detail;
    union {
        GQ_Point *myPoint = nullptr;  // primal edges
        GQ_Face *myFace;              // dual edges
    };
};

/// The four edges of one quad-edge record, in position order.
struct alignas(4 * sizeof(GQ_Edge)) GQ_QuadRecord {
    GQ_Edge edges[4];
};
static_assert(sizeof(GQ_QuadRecord) == 4 * sizeof(GQ_Edge));
