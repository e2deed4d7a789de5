#pragma once
#include <vector>
#include "GU/GU_Detail.h"
#include "io/AttribAccess.h"

/// One edge of the UV layout, from (u0, v0) to (u1, v1).
struct UvEdge {
    float u0, v0, u1, v1;
    bool seam;  ///< on the layout's boundary: the edge of the surface, or one side of a cut
};

/// The edges of the polygons of gdp in UV space (uv must be valid), each
/// drawn place once. An edge of the surface (two points joined by a side of
/// one or more polygons) is one UV edge where its polygons agree on the UVs
/// of both ends; where they differ, the surface is cut there and each
/// different placing is an edge of its own. A placing used by one polygon
/// only is a seam: that covers the boundary of the surface and both sides
/// of every cut. Sides with a non-finite UV, or joining a point to itself,
/// are left out. The order is deterministic (by point numbers).
std::vector<UvEdge> uvEdges(const GU_Detail &gdp, const TupleSource &uv);
