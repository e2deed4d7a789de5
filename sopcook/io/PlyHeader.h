#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>
#include "PlyFormat.h"

/// Scalar types of PLY properties.
enum class PlyType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };

/// Bytes of one value of type t.
std::size_t plySize(PlyType t);
bool plyIsFloat(PlyType t);
/// The header spelling of t ("uchar", "float", ...).
const char *plyName(PlyType t);

struct PlyProperty {
    std::string name;
    bool isList = false;
    PlyType countType = PlyType::UInt8;  ///< lists only
    PlyType type = PlyType::Float32;     ///< the value, or each list item
};

struct PlyElement {
    std::string name;
    long long count = 0;
    std::vector<PlyProperty> properties;
    /// Index of the property of this name, or -1.
    int find(std::string_view n) const;
};

struct PlyHeader {
    PlyEncoding encoding = PlyEncoding::Ascii;
    std::vector<PlyElement> elements;
    std::size_t bodyOffset = 0;  ///< first byte after "end_header\n"
    int bodyLine = 0;            ///< line number of the first body line
};

/// Parses the header at the start of data; throws GeoFileError naming
/// the header line at fault.
PlyHeader readPlyHeader(std::string_view data, const std::string &file);
