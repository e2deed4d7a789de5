#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "GU/GU_Detail.h"

/// Reads Wavefront OBJ text into gdp (which must be empty): positions,
/// polygons of any size, texture coordinates as the vertex attribute "uv"
/// (3 floats), and the names of `g` and `o` statements as primitive
/// groups. Throws GeoFileError naming the line; notes receives what was
/// skipped (line elements, points, free-form geometry).
void readObj(std::string_view data, const std::string &file, GU_Detail &gdp, std::vector<std::string> &notes);

/// OBJ text of gdp: points, the current UV layer as one `vt` per corner
/// (when the detail has it on vertices or points), primitive groups as `g`
/// statements, closed polygons as `f` and open ones as `l`. Primitives of
/// other types are left out and named in notes.
std::string writeObj(const GU_Detail &gdp, std::vector<std::string> &notes);
