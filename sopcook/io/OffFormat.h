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
/// 0..1. Each vertex and each face is one line. Throws GeoFileError naming
/// the line, also for numbers a float cannot hold.
void readOff(std::string_view data, const std::string &file, GU_Detail &gdp);

/// OFF text of gdp with the prefixes its data needs (ST, C, N): point
/// "N" and "Cd", face colours from the primitive "Cd" and the current UV
/// layer as per-point texture coordinates. A UV on vertices is made
/// per-point by copying each point once for every further UV its corners
/// carry (notes says how many). Open polygons of 3 or more points are
/// written as faces. notes receives a warning for every attribute, group
/// or primitive (including polygons of fewer than 3 points) the file
/// cannot hold.
std::string writeOff(const GU_Detail &gdp, std::vector<std::string> &notes);
