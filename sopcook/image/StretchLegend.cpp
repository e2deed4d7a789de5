#include "StretchLegend.h"
#include <UT/UT_Color.h>
#include <algorithm>
#include <string>
#include "StrokeText.h"

// The stretch colour of a primitive runs from blue, its UV perimeter as
// long as the reference primitive's (or longer), to red, a perimeter
// shrunk to nothing.
const char *const kStretchLegendText = "blue: as wide as the reference \xE2\x80\xA6 red: squeezed";

double stretchLegendBand(int size) { return 0.09 * size; }

LegendStrip stretchLegendStrip(int size) {
    const double band = stretchLegendBand(size);
    return {0.05 * size, size - band, 0.9 * size, 0.3 * band};
}

void drawStretchLegend(cairo_t *cr, int size) {
    const LegendStrip s = stretchLegendStrip(size);
    // The ramp is linear between its five keys, so a gradient through
    // them draws it exactly.
    cairo_pattern_t *ramp = cairo_pattern_create_linear(s.left, 0, s.left + s.width, 0);
    for (int k = 0; k <= 4; ++k) {
        float rgb[3];
        UT_Color::getRampColor(UT_COLORRAMP_FALSE, k / 4.0f, &rgb[0], &rgb[1], &rgb[2]);
        cairo_pattern_add_color_stop_rgb(ramp, k / 4.0, rgb[0], rgb[1], rgb[2]);
    }
    cairo_rectangle(cr, s.left, s.top, s.width, s.height);
    cairo_set_source(cr, ramp);
    cairo_fill(cr);
    cairo_pattern_destroy(ramp);

    // The words under the strip, as wide as it at most; a third of the
    // band high at most (8 font units from descender to ascender).
    const std::string text = kStretchLegendText;
    const double band = stretchLegendBand(size);
    const double unit = std::min(s.width / strokeTextWidth(text), 0.45 * band / 8);
    const double baseline = s.top + s.height + 0.15 * band + 6 * unit;
    cairo_new_path(cr);
    traceStrokeText(cr, text, s.left + (s.width - strokeTextWidth(text) * unit) / 2, baseline, unit);
    cairo_set_line_width(cr, 0.6 * unit);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    cairo_stroke(cr);
}
