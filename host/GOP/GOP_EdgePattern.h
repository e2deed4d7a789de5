#pragma once
#include <vector>

class GEO_Detail;
class GEO_Point;
class GEO_Primitive;

/// One edge a pattern names: from p0 to p1, with a primitive that has it
/// as an edge (null only for edges copied from an edge group without one).
struct GOP_EdgeEntry {
    GEO_Point *p0 = nullptr;
    GEO_Point *p1 = nullptr;
    GEO_Primitive *prim = nullptr;
};

/// Reads an edge pattern (syntax: GOP_Manager) against gdp. On success
/// returns true and sets edges to the named edges in pattern order, each
/// undirected edge once (its first direction kept); returns false when a
/// plain name names no edge group or a token is malformed. Edges are those
/// of polygons: vertex i to i+1, and the last vertex back to 0 when the
/// polygon is closed; an edge between a point and itself does not count.
bool GOPparseEdgePattern(const char *pattern, const GEO_Detail &gdp, int prim_offset, int pt_offset,
                         std::vector<GOP_EdgeEntry> &edges);
