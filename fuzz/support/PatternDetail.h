#pragma once
// The small fixed detail the pattern targets parse against, and how their
// input bytes become a pattern and its options.
#include <cstdint>
#include <string>
#include "GU/GU_Detail.h"
#include "support/test_meshes.h"

/// A 3x3 grid of points, four quads and an open polyline along the top row
/// (primitive 4), with point, primitive and edge groups whose names give
/// the wildcards something to match.
inline void buildPatternDetail(GU_Detail &gdp) {
    test_meshes::buildGrid(gdp);
    GB_PrimitiveGroup *left = gdp.newPrimitiveGroup("left");
    left->add(0);
    left->add(2);
    gdp.newPrimitiveGroup("lone")->add(4);
    gdp.newPrimitiveGroup("empty");
    gdp.newPrimitiveGroup("hidden", true)->add(1);
    GB_PointGroup *corners = gdp.newPointGroup("corners");
    for (int p : {0, 2, 6, 8}) corners->add(p);
    gdp.newPointGroup("mid")->add(4);
    GB_EdgeGroup *rim = gdp.newEdgeGroup("rim");
    rim->add(gdp.points()(0), gdp.points()(1), gdp.primitives()(0));
    rim->add(gdp.points()(1), gdp.points()(2), gdp.primitives()(1));
    gdp.newEdgeGroup("ridge")->add(gdp.points()(4), gdp.points()(7), gdp.primitives()(2));
    gdp.newEdgeGroup("loose")->add(gdp.points()(0), gdp.points()(8), nullptr);
}

/// The fuzz input read as options and a pattern: the first byte picks the
/// options, the rest (up to a NUL, as a C string would end) is the pattern.
struct PatternInput {
    bool allowNumeric = true;
    int offset = 0;  ///< -4 .. 3
    std::string pattern;
};

inline PatternInput patternInput(const uint8_t *data, size_t size) {
    PatternInput in;
    if (size == 0) return in;
    in.allowNumeric = (data[0] & 1) == 0;
    in.offset = static_cast<int>((data[0] >> 1) & 7) - 4;
    in.pattern.assign(reinterpret_cast<const char *>(data + 1), size - 1);
    in.pattern = in.pattern.c_str();
    return in;
}
