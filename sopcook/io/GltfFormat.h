#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "GU/GU_Detail.h"
#include "GltfAsset.h"

/// One glTF mesh primitive read as triangles.
struct GltfPart {
    std::size_t mesh = 0, primitive = 0;  ///< where it is in the asset's meshes
    std::size_t vertices = 0;             ///< the count of its POSITION accessor
    std::vector<std::uint32_t> corners;   ///< 3 per triangle: vertex numbers of the primitive
    int mode = 4;                         ///< 4 triangles, 5 strip, 6 fan
};

/// The triangle primitives (modes 4, 5 and 6) of every mesh of asset, in
/// mesh and primitive order; strips and fans become triangles (their
/// degenerate joining triangles left out). Primitives of points or lines
/// and those without POSITION are skipped, with a line in notes when notes
/// is not null. Throws GeoFileError for primitives that break the format's
/// rules (bad accessors, out-of-range indices) and for more vertices than a
/// file of this size may make (accessors shared by many primitives).
std::vector<GltfPart> gltfTriangleParts(const GltfAsset &asset, std::vector<std::string> *notes);

/// The primitive group that holds part's triangles: its mesh's name (or
/// "mesh<N>"), with "_<primitive>" when the mesh has more than one
/// primitive, made of letters, digits and underscores.
std::string gltfPartName(const GltfAsset &asset, const GltfPart &part);

/// Reads a glTF 2.0 asset (.gltf or .glb) into gdp, which must be empty:
/// one point per vertex of every triangle primitive (nothing merged),
/// one polygon per triangle, TEXCOORD_0 as the vertex attribute "uv" (3
/// floats, v flipped so that 0 is the bottom of the image), COLOR_0 as the
/// point attribute "Cd" (white for primitives without it) and each
/// primitive's triangles in the primitive group gltfPartName names.
/// Positions are the meshes' own: node transforms are not applied. Throws
/// GeoFileError; notes receives what was skipped.
void readGltf(std::string_view data, const std::string &file, GU_Detail &gdp, std::vector<std::string> &notes);

/// The bytes of a glTF 2.0 asset (.glb when binary, else .gltf) holding gdp.
/// When source names a glTF file (not empty) whose triangles gdp still has (as
/// readGltf made them), the asset is a copy of it with the primitives'
/// TEXCOORD_0 (and COLOR_0 when gdp's "Cd" differs from it) replaced,
/// vertices split where their corners differ; otherwise it is a new asset
/// of one mesh. file names the output in errors. notes receives what the
/// file cannot hold.
std::string writeGltf(const GU_Detail &gdp, const std::string &file, bool binary, const std::string &source,
                      std::vector<std::string> &notes);

/// writeGltf with the source asset already loaded (null for none).
std::string writeGltfFrom(const GU_Detail &gdp, const std::string &file, bool binary, const GltfAsset *source,
                          std::vector<std::string> &notes);
