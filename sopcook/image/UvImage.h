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
    int size = 1024;             ///< width and height in pixels
    std::vector<UvPin> pins;     ///< corners to mark
    bool noLayout = false;       ///< the cook made no layout: draw that instead of the UV layer
    bool stretchLegend = false;  ///< the fill is the stretch colours: add their legend under the layout
};

/// Inner edges shorter on the picture than kEdgeFadeFrom line widths (a
/// line width counted as one pixel at least) are not stroked, so that a
/// dense layout shows its fill; longer ones fade in, fully opaque from
/// kEdgeFadeTo line widths.
inline constexpr double kEdgeFadeFrom = 4, kEdgeFadeTo = 12;

/// The colour of the seam strokes, apart from the stretch and seam colour
/// ramp (blue, cyan, green, yellow, red).
inline constexpr double kSeamColour[3] = {0.8, 0.0, 0.8};

/// Draws gdp's current UV layer: each polygon filled with its primitive
/// "Cd" (grey without one), the inner edges stroked thin and faded by their
/// length on the picture, the seams (the layout's boundary: the surface's
/// edge and both sides of every cut) stroked over them in kSeamColour, the
/// unit square framed, the pins marked and, with options.stretchLegend,
/// the legend of the stretch colours in a band at the bottom. The view
/// holds the unit square and the layout's bounds with a margin. Without a
/// layout (options.noLayout, or no UV layer) the picture holds the frame,
/// the unfilled outlines of the UV layer if there is one, and the words
/// "no layout" (an SVG also as its title). Returns
/// the PNG or SVG bytes (svg chooses); throws std::runtime_error when
/// Cairo fails.
std::string drawUvImage(const GU_Detail &gdp, const UvImageOptions &options, bool svg);
