#pragma once
#include <string>
#include <vector>
#include "GU/GU_Detail.h"
#include "PlyFormat.h"

/// Formats chosen by a file's extension (case does not matter).
enum class GeoFormat { Geo, Obj, Off, Ply, Gltf, Glb, Unknown };

/// The format for path's extension.
GeoFormat formatForPath(const std::string &path);

/// Reads the geometry file at path into gdp (emptied first). Throws
/// GeoFileError for files that cannot be opened or parsed and for unknown
/// extensions; notes receives what the reader skipped.
void readGeometryFile(const std::string &path, GU_Detail &gdp, std::vector<std::string> &notes);

struct WriteOptions {
    PlyEncoding plyEncoding = PlyEncoding::Ascii;
    /// The file the geometry was read from (default: none). A .gltf or .glb
    /// output copies it, when it is glTF too, with the geometry's texture
    /// coordinates and colours in place of its own.
    std::string sourcePath;
};

/// The contents of a file at path holding gdp, in the format of path's
/// extension. Throws GeoFileError; notes receives what the format could
/// not hold.
std::string formatGeometry(const std::string &path, const GU_Detail &gdp, std::vector<std::string> &notes,
                           const WriteOptions &options = {});

/// Writes gdp to path in the format of its extension, through a temporary
/// file so that path is replaced only by a complete file. Throws
/// GeoFileError; notes receives what the format could not hold.
void writeGeometryFile(const std::string &path, const GU_Detail &gdp, std::vector<std::string> &notes,
                       const WriteOptions &options = {});
