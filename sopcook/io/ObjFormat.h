#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "GU/GU_Detail.h"

/// Reads Wavefront OBJ text into gdp (which must be empty): positions,
/// polygons of any size, texture coordinates as the vertex attribute "uv"
/// (3 floats), the names of `g` and `o` statements as primitive groups and
/// `l` statements as the edge group "lines" (consecutive points of each
/// line, no primitive). Throws GeoFileError naming the line (also for
/// numbers a float cannot hold and for '\' line continuations); notes
/// receives what was skipped (points, free-form geometry).
void readObj(std::string_view data, const std::string &file, GU_Detail &gdp, std::vector<std::string> &notes);

/// OBJ text of gdp: points, the current UV layer as one `vt` per corner
/// (when the detail has it on vertices or points), primitive groups as `g`
/// statements, closed polygons as `f`, open ones and the edge group
/// "lines" as `l`. notes receives a warning for every attribute, group or
/// primitive the file cannot hold.
std::string writeObj(const GU_Detail &gdp, std::vector<std::string> &notes);
