#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "GU/GU_Detail.h"

/// Reads Geomview OFF text (OFF, COFF, NOFF, STOFF, 4OFF and their
/// combinations; colours after a face's indices) into gdp, which must be
/// empty. Vertex colours become the point attribute "Cd", face colours
/// the primitive attribute "Cd", normals "N" and texture coordinates the
/// point attribute "uv". Integer colours are read as 0..255, others as
/// 0..1. Throws GeoFileError naming the line.
void readOff(std::string_view data, const std::string &file, GU_Detail &gdp);

/// OFF text of gdp ("COFF" when points carry "Cd"); face colours from the
/// primitive attribute "Cd". Primitives that are not polygons are left
/// out and named in notes; open polygons are written as faces.
std::string writeOff(const GU_Detail &gdp, std::vector<std::string> &notes);
