#pragma once
#include <GB/GB_Group.h>
#include <GU/GU_Detail.h>

/// The topology of one connected part of a triangulated piece.
struct PieceTopology {
    bool disk = true;  ///< false when the part has no boundary or a handle
    int boundaryLoops = 0;
    int genus = 0;
};

/// The first connected part (in primitive order) of the triangles of
/// `piece` on the triangulated `work` mesh that is not a topological disk,
/// or a default PieceTopology (a disk) when every part is one, or there are
/// no triangles. Parts are triangles joined through shared points; only
/// closed three-point polygons with three distinct points count as
/// triangles. piece may be null (every primitive).
PieceTopology firstNonDiskPart(const GU_Detail &work, const GB_PrimitiveGroup *piece);
