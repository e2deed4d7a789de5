#pragma once
#include <string>
#include <vector>
#include "GU/GU_Detail.h"

/// A corner to mark on the layout: primitive number and vertex index.
struct UvPin {
    int prim = 0, vertex = 0;
};

/// How the layout is drawn.
struct UvImageOptions {
    int size = 1024;              ///< width and height in pixels
    std::vector<UvPin> pins;      ///< corners to mark
    bool noLayout = false;        ///< the cook made no layout: draw that instead of the UV layer
};

/// Draws gdp's current UV layer: each polygon filled with its primitive
/// "Cd" (grey without one) and outlined, the unit square framed and the
/// pins marked. The view holds the unit square and the layout's bounds
/// with a margin. Without a layout (options.noLayout, or no UV layer) the
/// picture holds the frame, the unfilled outlines of the UV layer if there
/// is one, and the words "no layout" (an SVG also as its title). Returns
/// the PNG or SVG bytes (svg chooses); throws std::runtime_error when
/// Cairo fails.
std::string drawUvImage(const GU_Detail &gdp, const UvImageOptions &options, bool svg);
