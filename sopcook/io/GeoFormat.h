#pragma once
#include <string>
#include <string_view>
#include "GU/GU_Detail.h"

/// Reads the classic ASCII geometry file in data (named file in errors)
/// into gdp, which must be empty, with the edge groups that an optional
/// "NEdgeGroups" header field announces. Throws GeoFileError naming the
/// line, also for numbers a float cannot hold.
void readGeo(std::string_view data, const std::string &file, GU_Detail &gdp);

/// The classic ASCII geometry text of gdp: every attribute, every named
/// point, primitive and edge group (ad-hoc groups are left out), polygons and
/// primitives of other types. Throws GeoFileError (with file) for an
/// attribute the format cannot hold.
std::string writeGeo(const GU_Detail &gdp, const std::string &file);
