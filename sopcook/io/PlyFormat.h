#pragma once
#include <string>
#include <string_view>
#include <vector>
#include "GU/GU_Detail.h"

/// How a PLY file stores its data.
enum class PlyEncoding { Ascii, BinaryLittleEndian, BinaryBigEndian };

/// Reads a PLY file (ASCII or binary of either byte order) into gdp, which
/// must be empty. Vertices give points (x, y, z), "Cd" from red/green/blue,
/// "N" from nx/ny/nz, "uv" from u/v, s/t or texture_u/texture_v, and other
/// scalar properties as float point attributes of their name. Faces
/// (vertex_indices or vertex_index) give polygons, "Cd" from red/green/blue,
/// the vertex attribute "uv" from a texcoord list (two numbers per corner),
/// and other scalar properties as float primitive attributes. The edge
/// element (vertex1, vertex2) gives the edge group "edges". Other elements
/// are read past. Throws GeoFileError naming the header line or, in binary
/// data, the byte offset; also for values a float cannot hold, a property
/// declared twice and data after the last element.
void readPly(std::string_view data, const std::string &file, GU_Detail &gdp);

/// PLY data for gdp: vertices x, y, z (nx, ny, nz from the point "N" and
/// red/green/blue from the point "Cd"), faces as vertex_indices with
/// red/green/blue from the primitive "Cd" and the current UV layer as a
/// texcoord list, and the edge group "edges" as the edge element. notes
/// receives a warning for every attribute, group or primitive the file
/// cannot hold.
std::string writePly(const GU_Detail &gdp, PlyEncoding encoding, std::vector<std::string> &notes);
