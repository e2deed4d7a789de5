#pragma once
#include <string>
#include <vector>

/// Attribute type codes.
enum GB_AttribType {
    GB_ATTRIB_FLOAT = 0,
    GB_ATTRIB_INT = 1,
    GB_ATTRIB_MIXED = 2,
    GB_ATTRIB_INDEX = 3,  ///< an int indexing a table of strings
    GB_ATTRIB_VECTOR = 4  ///< three floats
};

/// One attribute of a dictionary: where it lives in every element's block.
struct GB_Attribute {
    std::string name;
    int size = 0;  ///< bytes per element
    GB_AttribType type = GB_ATTRIB_FLOAT;
    int offset = 0;                       ///< byte offset in the element's block
    std::vector<unsigned char> defaults;  ///< size bytes written into new elements
    std::vector<std::string> strings;     ///< table of an index attribute
};
