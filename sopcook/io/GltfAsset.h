#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include <nlohmann/json.hpp>

/// glTF JSON that keeps the order of every object's members, so that an
/// asset written back lists them as its source did.
using GltfJson = nlohmann::ordered_json;

/// A glTF 2.0 asset: its JSON and the bytes of every buffer.
struct GltfAsset {
    GltfJson json;
    std::vector<std::string> buffers;  ///< buffer i: exactly its byteLength bytes
    std::string file;                  ///< the asset's name in errors
    std::size_t bytes = 0;             ///< the file's and its buffers' sizes, which bound what reading it may make
};

/// Component types and the element layout of one accessor.
struct GltfAccessorLayout {
    int componentType = 0;  ///< 5120 (byte) ... 5126 (float)
    int components = 0;     ///< 1 (SCALAR) ... 16 (MAT4)
    bool normalized = false;
    bool matrix = false;  ///< MAT2, MAT3 or MAT4
    std::size_t count = 0;
    std::size_t elementSize = 0;  ///< bytes, with the column padding of small matrices
};

enum : int {
    GLTF_BYTE = 5120,
    GLTF_UNSIGNED_BYTE = 5121,
    GLTF_SHORT = 5122,
    GLTF_UNSIGNED_SHORT = 5123,
    GLTF_UNSIGNED_INT = 5125,
    GLTF_FLOAT = 5126,
};

/// Parses a glTF 2.0 asset named file from data: .gltf JSON, or binary .glb
/// (told apart by its magic). Buffers come from data: URIs, from the GLB
/// binary chunk or from files relative to file's folder. Checks buffers,
/// buffer views and accessors (ranges, alignment, strides, sparse indices)
/// against each other, so that the accessor functions below can trust them.
/// Throws GeoFileError naming the JSON place (such as "accessors[2].count").
GltfAsset loadGltfAsset(std::string_view data, const std::string &file);

/// The layout of accessor index (which must exist: loadGltfAsset checked it).
GltfAccessorLayout gltfAccessorLayout(const GltfAsset &asset, std::size_t index);

/// The elements of accessor index packed tightly (count * elementSize
/// bytes, little-endian as in the buffer), sparse substitutions applied.
std::string gltfAccessorBytes(const GltfAsset &asset, std::size_t index);

/// The values of accessor index as count by components floats: normalized
/// integers map to [0, 1] or [-1, 1], others convert as they are. Throws
/// GeoFileError for float components that are not finite.
std::vector<float> gltfAccessorFloats(const GltfAsset &asset, std::size_t index);

/// The values of a SCALAR accessor of unsigned integers (indices); throws
/// GeoFileError for any other accessor.
std::vector<std::uint32_t> gltfAccessorIndices(const GltfAsset &asset, std::size_t index, const std::string &where);

/// A GeoFileError of asset file at the JSON place where.
[[noreturn]] void gltfFail(const std::string &file, const std::string &where, const std::string &what);

/// The non-negative integer member key of obj (dflt when absent, which
/// throws when dflt is negative), at most most; where names obj in errors.
std::int64_t gltfIndex(const GltfJson &obj, const char *key, const std::string &file, const std::string &where,
                       std::int64_t dflt = -1, std::int64_t most = 0xFFFFFFFFLL);

/// The bytes of an asset file holding json and, as buffer 0, bin: for .glb
/// bin is the binary chunk; for .gltf it becomes a base64 data: URI.
/// json's buffers[0] must already give bin's length as byteLength.
std::string serializeGltf(GltfJson json, const std::string &bin, bool binary);
