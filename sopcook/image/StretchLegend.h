#pragma once
#include <cairo.h>

/// The legend's words, as drawn under its strip.
extern const char *const kStretchLegendText;

/// Where the legend's colour strip lies on a size by size picture, in pixels.
struct LegendStrip {
    double left, top, width, height;
};

/// The height of the band at the bottom of a size by size picture that
/// the stretch legend takes.
double stretchLegendBand(int size);

/// The strip drawStretchLegend(cr, size) fills: nearly as wide as the picture, in the
/// upper part of its band.
LegendStrip stretchLegendStrip(int size);

/// Draws the legend of the stretch colours into the bottom band of a size
/// by size picture: the colour ramp from blue (left) to red (right) as a
/// strip, and kStretchLegendText under it as strokes.
void drawStretchLegend(cairo_t *cr, int size);
