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
};

/// Draws gdp's current UV layer: each polygon filled with its primitive
/// "Cd" (grey without one) and outlined, the unit square framed and the
/// pins marked. The view holds the unit square and the layout's bounds
/// with a margin. Returns the PNG or SVG bytes (svg chooses); throws
/// std::runtime_error when the detail has no UV layer or Cairo fails.
std::string drawUvImage(const GU_Detail &gdp, const UvImageOptions &options, bool svg);
