#pragma once
#include "flatten/conformal_rows.h"
#include <array>
#include <vector>

class GU_Detail;
class GB_PrimitiveGroup;

/// How an edge of the polygon edge graph joins its polygons.
enum class EdgeKind : unsigned char {
    Interior,  ///< two polygons that use it in opposite directions
    Boundary,  ///< one polygon
    Singular   ///< three or more uses, or two in the same direction: always cut
};

/// The polygons the seam search works on, as flat arrays. Vertices are
/// numbered compactly 0..#V-1 over the points the polygons use; edges are
/// the undirected polygon edges (never triangulation diagonals), so every
/// seam the search chooses is an edge of the input polygons.
struct SeamMesh {
    std::vector<std::array<double, 3>> pos;  ///< #V by 3 point positions
    std::vector<int> pointNum;               ///< #V input point numbers
    std::vector<int> polyStart;              ///< #F + 1 offsets into polyVerts
    std::vector<int> polyVerts;              ///< corners of every polygon, vertex ids
    std::vector<int> polyPrim;               ///< #F input primitive numbers
    std::vector<int> polyComponent;          ///< #F component (joined across interior edges)
    int components = 0;

    std::vector<std::array<int, 2>> edgeVerts;  ///< #E by 2
    std::vector<std::array<int, 2>> edgeFaces;  ///< #E by 2 polygons; -1 for none
    std::vector<EdgeKind> edgeKind;             ///< #E
    std::vector<double> edgeWeight;             ///< #E path cost: length, less along creases
    std::vector<int> vertEdgeStart, vertEdges;  ///< edges around each vertex (CSR, #V + 1 offsets)

    std::vector<std::array<int, 3>> tris;  ///< #T by 3 vertex ids, the polygons triangulated
    std::vector<int> triPoly;              ///< #T source polygon
    std::vector<int> sideEdge;             ///< #T*3 polygon edge of side (c, c+1); -1 for a diagonal
    std::vector<int> sideOpp;              ///< #T*3 side glued to it (t*3+s); -1 when none
    std::vector<ConformalRows> rows;       ///< #T conformal rows, variables 2v and 2v+1 of vertex v

    int skippedPolys = 0;       ///< polygons left out: open or fewer than 3 points
    int singularEdges = 0;      ///< edges of kind Singular
    int nonManifoldPoints = 0;  ///< vertices shared by polygons of several components

    int vertexCount() const { return static_cast<int>(pos.size()); }
    int edgeCount() const { return static_cast<int>(edgeVerts.size()); }
    int triCount() const { return static_cast<int>(tris.size()); }
};

/// Builds mesh from the closed polygons of gdp in group (every polygon when
/// null). Other primitive types and open polygons are left out; repeated
/// consecutive points of a polygon are merged. Polygons are triangulated by
/// GU_Detail::convex on a private copy.
void buildSeamMesh(const GU_Detail &gdp, const GB_PrimitiveGroup *group, SeamMesh &mesh);
