#pragma once
#include <cairo.h>
#include <string>

/// Width in font units of text drawn by traceStrokeText (letters are 4
/// units wide, 6 apart; a space is 4).
double strokeTextWidth(const std::string &text);

/// Adds text to cr's path as strokes, without a font, so that the picture
/// is the same wherever it is made: left end at x, baseline at baseline,
/// one font unit = unit pixels (small letters are 4 units high, tall ones
/// 6, descenders reach 2 below). The caller strokes the path, best with
/// round caps and a width of about 0.7 units. Knows the lower-case letters
/// a-f, h, i, l, n-u, w, y, z, ':', '.', ' ' and the UTF-8 ellipsis;
/// other characters are left blank.
void traceStrokeText(cairo_t *cr, const std::string &text, double x, double baseline, double unit);
