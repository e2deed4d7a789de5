#pragma once
#include <string>
#include "GU/GU_Detail.h"

/// Name of the current UV layer: "uv", or "uvN" when the detail's integer
/// attribute "currentlayer" holds N > 1.
std::string currentUvName(const GEO_Detail &gdp);

/// Where a float tuple attribute lives: on the vertices or on the points.
/// offset is negative when neither has it.
struct TupleSource {
    int offset = -1;
    bool onVertex = true;
    int components = 0;
    bool valid() const { return offset >= 0; }
};

/// Finds a float (or vector) attribute named name of at least min_components
/// floats, looking at the vertices first and then at the points.
TupleSource findCornerTuple(const GEO_Detail &gdp, const char *name, int min_components);

/// Component c of the tuple at corner v of a primitive; src must be valid.
float cornerValue(const TupleSource &src, const GEO_Vertex &v, int c);

/// Offset of a float/vector attribute of exactly 3 floats named name in
/// dict, or -1. Accepts both the float and the vector type code.
int findFloat3(const GB_AttributeDict &dict, const char *name);

/// Adds (or finds) a float attribute of n floats named name with zero
/// defaults; throws std::runtime_error when the name is taken by another
/// size or type.
int addFloatTuple(GB_AttributeDict &dict, const char *name, int n);
