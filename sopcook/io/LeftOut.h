#pragma once
#include <set>
#include <string>
#include <vector>
#include "AttribAccess.h"
#include "GU/GU_Detail.h"

/// The names of what a writer put into its file, per class of attribute
/// and group.
struct KeptNames {
    std::set<std::string> pointAttribs, vertexAttribs, primAttribs, detailAttribs;
    std::set<std::string> pointGroups, primGroups, edgeGroups;
};

/// What a mesh format with point colours and normals, face colours and
/// texture coordinates keeps: "Cd" and "N" on points, "Cd" on primitives
/// (each when its flag says it was written) and the uv layer uvname with
/// "currentlayer" when uv was found.
KeptNames keptMeshAttribs(bool point_cd, bool point_n, bool prim_cd, const TupleSource &uv, const std::string &uvname);

/// Appends to notes one warning for every attribute and every named group
/// of gdp that kept does not list, naming the format (such as ".off") that
/// cannot hold it, so that nothing is dropped in silence. Ad-hoc groups
/// belong to a cook and are not files' business. hint, when not empty,
/// follows the warning of an edge group left out.
void noteLeftOut(const GU_Detail &gdp, const char *format, const KeptNames &kept, std::vector<std::string> &notes,
                 const std::string &edge_hint = "");

/// Whether .off and .ply hold prim: a polygon of 3 or more vertices.
bool isFace(const GEO_Primitive &prim);

/// Appends to notes a warning for the primitives of gdp that the file
/// leaves out (those for which written is false): how many are not
/// polygons and how many are polygons with too few points for it.
void noteUnwritten(const GU_Detail &gdp, const char *format, bool (*written)(const GEO_Primitive &),
                   std::vector<std::string> &notes);
