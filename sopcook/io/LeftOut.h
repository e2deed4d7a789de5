#pragma once
#include <set>
#include <string>
#include <vector>
#include "GU/GU_Detail.h"

/// The names of what a writer put into its file, per class of attribute
/// and group.
struct KeptNames {
    std::set<std::string> pointAttribs, vertexAttribs, primAttribs, detailAttribs;
    std::set<std::string> pointGroups, primGroups, edgeGroups;
};

/// Appends to notes one warning for every attribute and every named group
/// of gdp that kept does not list, naming the format (such as ".off") that
/// cannot hold it, so that nothing is dropped in silence. Ad-hoc groups
/// belong to a cook and are not files' business. hint, when not empty,
/// follows the warning of an edge group left out.
void noteLeftOut(const GU_Detail &gdp, const char *format, const KeptNames &kept, std::vector<std::string> &notes,
                 const std::string &edge_hint = "");

/// The warning for primitives that are not polygons, which the mesh
/// formats cannot hold; nothing when count is 0.
void noteNonPolygons(int count, const char *format, std::vector<std::string> &notes);
